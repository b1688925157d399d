// sfpack: packs and unpacks files with the stored-file codec and makes, lists and
// extracts "StoredData" containers.
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "tools/sfpack/Commands.h"

namespace {

const char* const Usage =
    "usage: sfpack COMMAND ARGUMENTS\n"
    "  sfpack pack SOURCE TARGET        write the packed file of SOURCE to TARGET\n"
    "  sfpack unpack SOURCE TARGET      write the unpacked contents of the packed file SOURCE "
    "to TARGET\n"
    "  sfpack create CONTAINER FILE...  write a \"StoredData\" stream (magic SFP1) holding the "
    "FILEs\n"
    "                                   under their base names, in order\n"
    "  sfpack list CONTAINER            one line per stored file: NAME, a tab, its unpacked "
    "SIZE;\n"
    "                                   then \"Count N\" and \"DataSize N\"\n"
    "  sfpack extract CONTAINER DIR     write every stored file into DIR under its name\n"
    "exit status: 0 success; 1 a file cannot be read or written, is 4 GiB or more, or out of\n"
    "             memory; 2 usage; 3 damaged input\n";

int UsageError() {
    std::cerr << Usage;
    return exUsage;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << Usage;
        return exSuccess;
    }
    if (args.empty())
        return UsageError();
    const std::string& command = args[0];
    if (command == "pack" && args.size() == 3)
        return PackCommand(args[1], args[2]);
    if (command == "unpack" && args.size() == 3)
        return UnpackCommand(args[1], args[2]);
    if (command == "create" && args.size() >= 3)
        return CreateCommand(args[1], {args.begin() + 2, args.end()});
    if (command == "list" && args.size() == 2)
        return ListCommand(args[1]);
    if (command == "extract" && args.size() == 3)
        return ExtractCommand(args[1], args[2]);
    return UsageError();
}
