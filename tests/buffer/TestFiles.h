#pragma once

#include <QTest>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
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

// A table of cases as the test's rows: each is named by its first field and
// carries its index in the "row" column.
template<typename Row, std::size_t N>
void tableRows(const Row (&table)[N])
{
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < N; ++i)
        QTest::newRow(std::get<0>(table[i])) << int(i);
}

template<typename Row, std::size_t N>
const Row &currentRow(const Row (&table)[N])
{
    QFETCH(int, row);
    return table[row];
}

} // namespace ravelin::test
