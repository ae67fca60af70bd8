#pragma once

#include <QTest>
#include <initializer_list>

// A data table whose rows are whole cases: `addRows<Case>({{"name", ...}, ...})` in a _data
// function (Case starts with `const char* name`), then `QFETCH(Case, c)` in the test.
template <typename Case> void addRows(std::initializer_list<Case> rows) {
    QTest::addColumn<Case>("c");
    for (const Case& row : rows)
        QTest::newRow(row.name) << row;
}
