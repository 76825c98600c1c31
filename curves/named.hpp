#pragma once

// Tables of named values: each enumeration of the record keeps one table, a
// row per value in the order of the values, with the token a link writes for
// it and the label the status line and the page show. Everything that names
// a value asks its table; adding a value is adding its row.

#include <array>
#include <cstddef>
#include <string_view>

// The row of value in rows; nullptr for a value without one (an integer cast
// to the enumeration that no row names).
template <typename Row, std::size_t N, typename E>
constexpr const Row* rowOf(const std::array<Row, N>& rows, E value) {
    for (const Row& row : rows) {
        if (row.value == value) {
            return &row;
        }
    }
    return nullptr;
}

// The row whose link token is token; nullptr for none.
template <typename Row, std::size_t N>
constexpr const Row* rowWithToken(const std::array<Row, N>& rows, std::string_view token) {
    for (const Row& row : rows) {
        if (row.token == token) {
            return &row;
        }
    }
    return nullptr;
}

// The label of value, or the text given for a value without a row.
template <typename Row, std::size_t N, typename E>
constexpr std::string_view labelOf(const std::array<Row, N>& rows, E value,
                                   std::string_view none = "") {
    const Row* row = rowOf(rows, value);
    return row != nullptr ? row->label : none;
}

// The link token of value, or the text given for a value without a row.
template <typename Row, std::size_t N, typename E>
constexpr std::string_view tokenOf(const std::array<Row, N>& rows, E value,
                                   std::string_view none = "") {
    const Row* row = rowOf(rows, value);
    return row != nullptr ? row->token : none;
}

// Whether the rows hold the values 0, 1, 2, ... in order and no token twice:
// for static_assert beside each table.
template <typename Row, std::size_t N>
constexpr bool rowsInOrder(const std::array<Row, N>& rows) {
    for (std::size_t i = 0; i < N; ++i) {
        if (static_cast<std::size_t>(rows[i].value) != i) {
            return false;
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (rows[j].token == rows[i].token) {
                return false;
            }
        }
    }
    return true;
}
