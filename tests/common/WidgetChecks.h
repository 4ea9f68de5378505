#pragma once
// Helpers for widget tests: the rows a list or box shows, and the tool tips of controls.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>

#include <utility>
#include <vector>

#include "res/StringTable.h"

namespace brumble::test {

inline QStringList ItemTexts(const QComboBox* box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

inline QStringList ItemTexts(const QListWidget* list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

// Each control's tool tip is its (non-empty) text from the string table.
inline void ExpectToolTips(const std::vector<std::pair<QWidget*, int>>& controls)
{
    for (const auto& [control, id] : controls) {
        EXPECT_FALSE(LoadString(id).empty()) << id;
        EXPECT_EQ(control->toolTip().toStdString(), LoadString(id)) << id;
    }
}

} // namespace brumble::test
