#include "platform/Registry.h"

namespace lorvel::platform {

RegValue RegValue::DoubleWord(std::uint32_t number)
{
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
    return {ValueType::DoubleWord, bytes};
}

std::uint32_t RegValue::AsDoubleWord() const
{
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < 4 && i < data.size(); ++i)
        number |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
    return number;
}

}  // namespace lorvel::platform
