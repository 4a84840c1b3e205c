#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace ravelin::test {

inline std::string dataPath(const std::string &relative)
{
    return std::string(RAVELIN_TEST_DATA) + "/" + relative;
}

inline std::string readText(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline std::vector<std::uint8_t> readBytes(const std::string &path)
{
    const std::string text = readText(path);
    return {text.begin(), text.end()};
}

inline void writeText(const std::string &path, const std::string &text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
}

} // namespace ravelin::test
