// The table-driven command-line reader on a table of its own: what each kind of
// option takes, and which refusal wins when an argument breaks several rules.
#include "data/command_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Parsed {
    bool ok = false;
    std::string error;
    std::optional<std::string> file;
    int count = 3;
    bool quiet = false, fast = false, slow = false, help = false;
    std::vector<std::string> words;
};

Parsed parse(std::vector<std::string> args, bool dashes_positional = false) {
    Parsed p;
    cli::CommandLine line;
    line.options = {
        cli::text("--file", p.file),
        cli::whole_int("--count", p.count, 1),
        cli::flag("--quiet", p.quiet).with_alias("-q").repeatable(),
        cli::flag("--fast", p.fast).in_group(1),
        cli::flag("--slow", p.slow).in_group(1),
        cli::value("--mode", [](std::string_view v) { return v == "on" ? "" : std::string("on"); })
            .in_group(1),
        cli::flag("--help", p.help).only_alone(),
    };
    line.dashes_positional = dashes_positional;
    line.positional = [&p](std::string_view word, std::string& error) {
        if (word == "bad") {
            error = "bad word";
            return false;
        }
        if (word.size() > 2 && word.substr(word.size() - 2) == ".f") p.file = std::string(word);
        p.words.emplace_back(word);
        return true;
    };
    args.insert(args.begin(), "program");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    p.ok = cli::parse(line, static_cast<int>(argv.size()), argv.data(), p.error);
    return p;
}

}  // namespace

TEST(CommandLine, RefusalsAndWhichComesFirst) {
    const std::pair<std::vector<std::string>, const char*> refused[] = {
        {{"--file"}, "--file needs a value"},
        {{"--file", "a", "--file"}, "--file given twice"},  // before the missing value
        {{"x.f", "--file", "a"}, "--file given twice"},     // set by a positional word
        {{"--count", "0"}, "--count needs an integer of at least 1, not '0'"},
        {{"--count", "1", "--count", "x"}, "--count given twice"},
        {{"--fast", "--fast"}, "only one of --fast, --slow, --mode may be given"},
        {{"--slow", "--mode"}, "only one of --fast, --slow, --mode may be given"},
        {{"--mode", "off"}, "--mode needs on, not 'off'"},
        {{"--quiet", "-Q"}, "unknown argument '-Q'"},
        {{""}, "unknown argument ''"},
        {{"w", "bad", "--nothing"}, "bad word"},
        {{"--help", "w"}, "unknown argument '--help'"},  // an option only on its own
    };
    for (const auto& [args, reason] : refused) {
        const Parsed p = parse(args);
        EXPECT_FALSE(p.ok) << reason;
        EXPECT_EQ(p.error, reason);
    }
}

TEST(CommandLine, TakesValuesFlagsAndWords) {
    Parsed p = parse({"--count", "-7x", "w1"});
    EXPECT_FALSE(p.ok);
    p = parse({"-q", "--file", "--quiet", "w1", "--quiet", "--count", "12", "--mode", "on"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.file.value_or(""), "--quiet");  // a value is the next word as it stands
    EXPECT_EQ(p.count, 12);
    EXPECT_TRUE(p.quiet);
    EXPECT_EQ(p.words, (std::vector<std::string>{"w1"}));
    EXPECT_TRUE(parse({"--help"}).help);

    // Words that name no option are all positional when dashes are: "--help" among
    // others too.
    p = parse({"-1", "", "--help", "--quiet"}, true);
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.words, (std::vector<std::string>{"-1", "", "--help"}));
    EXPECT_TRUE(p.quiet);
    EXPECT_FALSE(p.help);
}
