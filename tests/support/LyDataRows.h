// Data tables of Qt Test written densely: all columns declared, a row added or a row's values
// fetched in one statement.
#pragma once

#include <QTest>

#include <tuple>

// Declares the columns of the current test's data table, one type per name.
template <typename... T, typename... N>
void LyColumns(N... names) {
    (QTest::addColumn<T>(names), ...);
}

// Adds the row `name` with `values` (each of its column's type; a C string is a QString).
template <typename... V>
void LyRow(const char* name, const V&... values) {
    (QTest::newRow(name) << ... << values);
}

// The current row's values of the named columns (QFETCH of several at once).
template <typename... T, typename... N>
std::tuple<T...> LyFetch(N... names) {
    return {*static_cast<T*>(QTest::qData(names, qMetaTypeId<T>()))...};
}
