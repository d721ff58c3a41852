#include "data/command_line.h"

#include <utility>

#include "data/number_text.h"

namespace cli {

Option Option::with_alias(std::string_view other) const {
    Option o = *this;
    o.alias = other;
    return o;
}

Option Option::repeatable() const {
    Option o = *this;
    o.repeats = true;
    return o;
}

Option Option::in_group(int number) const {
    Option o = *this;
    o.group = number;
    return o;
}

Option Option::only_alone() const {
    Option o = *this;
    o.alone = true;
    return o;
}

Option flag(std::string_view name, bool& target) {
    return flag(name, [&target] { target = true; });
}

Option flag(std::string_view name, std::function<void()> action) {
    Option o;
    o.name = name;
    o.take = [action = std::move(action)](std::string_view) {
        action();
        return std::string();
    };
    return o;
}

Option text(std::string_view name, std::optional<std::string>& target) {
    Option o = value(name, [&target](std::string_view v) {
        target = std::string(v);
        return std::string();
    });
    o.holds = [&target] { return target.has_value(); };
    return o;
}

Option whole_int(std::string_view name, int& target, int minimum) {
    return value(name, [&target, minimum](std::string_view v) {
        int n = 0;
        if (!parse_whole_int(v, n) || n < minimum)
            return "an integer of at least " + std::to_string(minimum);
        target = n;
        return std::string();
    });
}

Option value(std::string_view name, std::function<std::string(std::string_view value)> take) {
    Option o;
    o.name = name;
    o.takes_value = true;
    o.take = std::move(take);
    return o;
}

namespace {

// The names of a group's options: "A, B, C".
std::string group_names(const CommandLine& line, int group) {
    std::string names;
    for (const Option& o : line.options) {
        if (o.group != group) continue;
        if (!names.empty()) names += ", ";
        names += o.name;
    }
    return names;
}

}  // namespace

bool parse(const CommandLine& line, int argc, char** argv, std::string& error) {
    const std::size_t count = line.options.size();
    std::vector<bool> given(count, false);
    std::vector<int> groups_taken;
    for (int a = 1; a < argc; ++a) {
        const std::string_view arg = argv[a];
        std::size_t i = 0;
        while (i < count) {
            const Option& o = line.options[i];
            if ((arg == o.name || (!o.alias.empty() && arg == o.alias)) && (!o.alone || argc == 2))
                break;
            ++i;
        }
        if (i == count) {
            const bool positional = line.dashes_positional || (!arg.empty() && arg[0] != '-');
            if (positional && line.positional) {
                if (!line.positional(arg, error)) return false;
                continue;
            }
            error = "unknown argument '" + std::string(arg) + "'";
            return false;
        }
        const Option& o = line.options[i];
        if (o.group != 0) {
            for (const int g : groups_taken) {
                if (g == o.group) {
                    error = "only one of " + group_names(line, o.group) + " may be given";
                    return false;
                }
            }
        }
        if ((given[i] && !o.repeats) || (o.holds && o.holds())) {
            error = std::string(arg) + " given twice";
            return false;
        }
        std::string_view value;
        if (o.takes_value) {
            if (a + 1 >= argc) {
                error = std::string(arg) + " needs a value";
                return false;
            }
            value = argv[++a];
        }
        given[i] = true;
        if (o.group != 0) groups_taken.push_back(o.group);
        const std::string needed = o.take(value);
        if (!needed.empty()) {
            error = std::string(arg) + " needs " + needed + ", not '" + std::string(value) + "'";
            return false;
        }
    }
    return true;
}

}  // namespace cli
