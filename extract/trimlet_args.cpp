#include "extract/trimlet_args.h"

#include "data/command_line.h"
#include "data/number_text.h"

TrimletArgs parse_trimlet_args(int argc, char** argv) {
    TrimletArgs args;
    cli::CommandLine line;
    line.options = {
        cli::flag("--help", args.help).only_alone(),
        cli::flag("--version", args.version).only_alone(),
    };
    line.dashes_positional = true;
    line.positional = [&args](std::string_view word, std::string&) {
        switch (++args.words) {
            case 1:
                args.input = std::string(word);
                break;
            case 2:
                args.output = std::string(word);
                break;
            case 3:
                args.window.st_milli = parse_int(word);
                break;
            case 4:
                args.window.ed_milli = parse_int(word);
                break;
            default:
                break;
        }
        return true;
    };
    std::string error;
    cli::parse(line, argc, argv, error);  // every word is taken
    return args;
}
