// Reading the CSV tables of the drone recordings and of NGSIM: the header line
// names the columns (found by name, in any order; extra columns are ignored), a
// UTF-8 byte-order mark and CRLF line ends are accepted, and every failure names
// the file, the line and the column.
//
// Rows are read in large blocks and split lazily, only as far as the columns
// asked for, so that a pass that needs two columns of a wide table stays cheap.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class LineReader;

class CsvTable {
  public:
    CsvTable();
    ~CsvTable();
    CsvTable(const CsvTable&) = delete;
    CsvTable& operator=(const CsvTable&) = delete;

    // Opens path and reads its header line. False, with error set, when the file
    // cannot be opened or has no header.
    bool open(const std::string& path, std::string& error);
    const std::string& path() const { return path_; }
    const std::vector<std::string>& header() const { return header_; }

    // The index of a column by its name (the exact name first, then in any letter
    // case), or -1.
    int column(std::string_view name) const;
    // The same, for a column the format cannot do without: -1 and error
    // "FILE: no column NAME" when it is absent.
    int require(std::string_view name, std::string& error);

    // Moves to the next row that is not blank. False at the end of the file, and
    // false with error set when reading failed.
    bool next_row(std::string& error);
    // The text of a column of the current row (spaces around it removed); empty
    // when the row is too short to have it.
    std::string_view field(int column) const;
    // The field as a finite real / an integer; false with error naming the file,
    // the line and the column when it is not one.
    bool real(int column, double& value, std::string& error) const;
    bool integer(int column, int64_t& value, std::string& error) const;
    // A neighbour id: an integer greater than 0, or -1 for an empty field, 0 or
    // anything that is not a number (datasets write "none" in several ways).
    int32_t neighbour(int column) const;

    long long line() const { return line_; }
    long long bytes_read() const;
    long long size() const { return size_; }

  private:
    std::string where(int column) const;
    // Splits the current row as far as column c (or to its end).
    void split_to(int c) const;
    bool has(int c, std::string& error) const;

    std::string path_;
    std::FILE* file_ = nullptr;
    std::unique_ptr<LineReader> reader_;
    std::vector<std::string> header_;
    mutable std::vector<std::string_view> fields_;
    std::string_view row_;
    mutable int split_ = 0;          // fields of the current row split so far
    mutable size_t rest_ = 0;        // where the next field starts in row_
    mutable bool row_done_ = false;  // the row has no more fields
    std::string_view block_;
    long long line_ = 0;
    long long size_ = 0;
};

// Reads a real as the tables write it: decimal text, optional sign; false for
// empty text, trailing characters, NaN or infinity.
bool parse_csv_real(std::string_view text, double& value);
bool parse_csv_integer(std::string_view text, int64_t& value);
