// A program's command line read against a table of its options.
//
// Each argument is looked up in the table by its whole text. An option that takes
// a value takes the next argument as it stands, even when it begins with '-'. An
// argument that names no option is a positional argument when it is not empty and
// does not begin with '-' (with `dashes_positional`, every argument that names no
// option is positional, the empty one too); anything else is refused as unknown. There is no
// "--name=value" form and no "--".
//
// The reasons for a refusal are one line each, in the words every program of the
// suite uses:
//   NAME needs a value
//   NAME given twice
//   NAME needs WHAT, not 'VALUE'        (WHAT from the option's take)
//   only one of A, B, C may be given    (the options of one group, in table order)
//   unknown argument 'ARG'
// where NAME is the option as it was written (the name or its alias).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

struct Option {
    std::string_view name;  // "--ego"
    bool takes_value = false;
    // Takes the option with its value (empty for an option without one). Returns ""
    // when taken, else what the value must be ("an integer of at least 1").
    std::function<std::string(std::string_view value)> take;
    std::string_view alias;  // a second name ("-h"), or empty
    bool repeats = false;    // may be given more than once; else a second time is refused
    int group = 0;           // nonzero: at most one option of the group may be given
    bool alone = false;      // an option only when it is the only argument
    // Whether the option's target holds a value already (set another way, by a
    // positional argument); the option is then refused as given twice. Null: never.
    std::function<bool()> holds;

    Option with_alias(std::string_view other) const;
    Option repeatable() const;
    Option in_group(int number) const;
    Option only_alone() const;
};

// The kinds of option the programs use.
// A switch: sets target.
Option flag(std::string_view name, bool& target);
// A switch that runs action.
Option flag(std::string_view name, std::function<void()> action);
// A file or folder name: any text; refused as given twice once target holds one.
Option text(std::string_view name, std::optional<std::string>& target);
// A whole decimal integer of at least minimum ("an integer of at least N").
Option whole_int(std::string_view name, int& target, int minimum);
// A value read by take (see Option::take).
Option value(std::string_view name, std::function<std::string(std::string_view value)> take);

// Takes a positional argument; false with error set to the reason.
using Positional = std::function<bool(std::string_view arg, std::string& error)>;

struct CommandLine {
    std::vector<Option> options;
    Positional positional;           // null: positional arguments are refused as unknown
    bool dashes_positional = false;  // every argument that names no option is positional
};

// Reads argv[1..argc) against the table, in order. Returns true, or false with
// error set to the reason of the first refusal (the options before it are taken).
bool parse(const CommandLine& line, int argc, char** argv, std::string& error);

}  // namespace cli
