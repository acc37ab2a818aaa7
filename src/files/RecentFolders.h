#pragma once

#include <QString>

class QComboBox;

// Fills the combo box with the recent folders of the file; leaves it unchanged when there is
// no such file.
void LoadRecentFolders(QComboBox* combo, const QString& file);
// Writes the combo box's entries to the file.
void SaveRecentFolders(QComboBox* combo, const QString& file);
// Widens the combo box's drop-down list to its longest entry, within the screen.
void FitDropDownWidth(QComboBox* combo);
