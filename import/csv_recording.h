// What the CSV formats share: a recording is read in two passes over its
// tracks table. The first splits only the id, frame and time of each row, which
// is all the vehicle list needs and tells which vehicles live while the ego
// does; the second reads the whole rows of those vehicles only.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "import/csv_table.h"
#include "import/dataset.h"

// One CSV format: its columns, and how a row becomes a sample.
class CsvFormat {
  public:
    virtual ~CsvFormat() = default;
    // Reads what lies beside the tracks table (meta files) and finds the table's
    // columns. Warnings go to warnings; false with error set on failure.
    virtual bool bind(CsvTable& table, std::vector<std::string>& warnings, std::string& error) = 0;
    // The column of the vehicle id (after bind).
    virtual int id_column() const = 0;
    // The vehicle id, frame and time of day (before the offset) of the current row.
    virtual bool key(const CsvTable& table, int64_t& id, int32_t& frame, int64_t& time_ms,
                     std::string& error) = 0;
    // The box length and width of the current row, for the vehicle list.
    virtual bool size(const CsvTable& table, double& length, double& width, std::string& error) = 0;
    // The whole sample of the current row (frame and time are set by the caller).
    virtual bool sample(const CsvTable& table, int64_t id, TrackSample& s, std::string& error) = 0;
    // The class of a vehicle ("" when unknown).
    virtual std::string vehicle_class(int64_t id) const = 0;
    // After a vehicle's samples are read and sorted: headings, centres, sizes.
    // Returns true when the road user was given a default size.
    virtual bool finish(VehicleTrack& track) = 0;
};

std::unique_ptr<CsvFormat> make_highd_format(const ImportOptions& options);
std::unique_ptr<CsvFormat> make_ind_format(const ImportOptions& options);
std::unique_ptr<CsvFormat> make_ngsim_format(const ImportOptions& options);

// The vehicle list of a CSV recording (first pass only).
bool list_csv_recording(const std::string& path, CsvFormat& format, const ImportOptions& options,
                        DatasetListing& listing, std::string& error);

// The ego's track and the tracks of every vehicle that lives while it does, in
// full (both passes). False, with error set, when the ego is not in the file.
bool load_csv_scene(const std::string& path, CsvFormat& format, const ImportOptions& options,
                    const std::string& ego_name, VehicleTrack& ego,
                    std::vector<VehicleTrack>& others, std::vector<std::string>& warnings,
                    int& substituted, std::string& error);

// Meta files beside a tracks table "…NN_tracks.csv": "…NN_tracksMeta.csv" and
// "…NN_recordingMeta.csv" ("" when the name does not end in "tracks.csv").
std::string meta_path_beside(const std::string& tracks_path, const char* meta_suffix);

// The recording's clock from its recordingMeta.csv: frame rate and start time
// ("hh:mm", "hh:mm:ss" or a number of hours). When the file is missing: 25 fps,
// start 0 and a warning.
struct RecordingClock {
    double frame_rate = 25;
    int64_t start_ms = 0;
    int64_t time_of(int32_t frame) const;
};
bool read_recording_clock(const std::string& path, RecordingClock& clock,
                          std::vector<std::string>& warnings, std::string& error);

// The vehicle id and frame of the table's current row from their columns, each
// within the signed 32-bit range ("PATH:LINE: frame or id out of range").
bool read_id_and_frame(const CsvTable& table, int id_column, int frame_column, int64_t& id,
                       int32_t& frame, std::string& error);

// Each vehicle's row of a tracksMeta.csv, by its id column.
struct TrackMeta {
    std::string vclass;
    int driving_direction = 0;
};
bool read_tracks_meta(const std::string& path, const char* id_column,
                      std::unordered_map<int64_t, TrackMeta>& meta,
                      std::vector<std::string>& warnings, std::string& error);

// What the drone recordings' formats share: the recording's clock and the tracks'
// meta rows from the files beside the table (or those the options name), the id and
// frame columns, a row's time by the clock, a vehicle's class from its meta row,
// and the six neighbour columns.
class DroneRecordingFormat : public CsvFormat {
  public:
    int id_column() const override { return id_; }
    bool key(const CsvTable& table, int64_t& id, int32_t& frame, int64_t& time_ms,
             std::string& error) override;
    std::string vehicle_class(int64_t id) const override;

  protected:
    struct Column {
        const char* name;
        int* index;
    };
    // The names of the neighbour columns: preceding, following, left lead, left lag,
    // right lead, right lag (each optional).
    using NeighbourNames = const char* [6];

    explicit DroneRecordingFormat(const ImportOptions& options) : options_(options) {}
    // Reads the meta files (their id column named id_column), finds the required
    // columns in their order (id_ and frame_ among them; false, error naming the
    // first missing) and the neighbour columns.
    bool bind_recording(CsvTable& table, const char* id_column,
                        std::initializer_list<Column> required, const NeighbourNames& neighbours,
                        std::vector<std::string>& warnings, std::string& error);
    // The neighbour ids of the current row into s (-1 where a column is missing).
    void read_neighbours(const CsvTable& table, TrackSample& s) const;

    const ImportOptions& options_;
    RecordingClock clock_;
    std::unordered_map<int64_t, TrackMeta> meta_;
    int id_ = -1, frame_ = -1;

  private:
    int neighbour_[6] = {-1, -1, -1, -1, -1, -1};
};
