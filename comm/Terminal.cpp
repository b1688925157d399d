#include "comm/Terminal.h"

std::vector<std::string_view> SplitAtZeroBytes(std::string_view Block) {
    std::vector<std::string_view> pieces;
    size_t begin = 0;
    while (begin < Block.size()) {
        size_t zero = Block.find('\0', begin);
        if (zero == std::string_view::npos)
            zero = Block.size();
        if (zero > begin)
            pieces.push_back(Block.substr(begin, zero - begin));
        begin = zero + 1;
    }
    return pieces;
}
