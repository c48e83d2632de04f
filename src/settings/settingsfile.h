#pragma once

#include <QString>

#include "settings/settingsvalues.h"

namespace nuvo {

// Reads every setting from file into values; the file is neither created nor changed. A
// key that is missing or does not convert leaves its field as the caller set it, with
// these exceptions: the overlay texts and alarm values become "", the temperature
// calibration -5, the magnetic calibration "mag", and the review-screen-text mark is
// checked when the key is empty. The start counter is advanced: it counts the starts
// since the disclaimer was last shown.
void readini(const QString& file, SettingsValues& values);

// Writes every setting to file in one save (see editIniFile). False with *error set when
// the file could not be read or written.
bool writeini(const QString& file, const SettingsValues& values, QString* error = nullptr);

// The start counter as the disclaimer window reads it: as stored, 0 when missing or not
// a number. Leaves the file alone, so declining the disclaimer leaves nothing behind.
qint16 readDisclaimerCount(const QString& file);

// Whether the windows open in night mode, read before the disclaimer window shows.
bool readNightMode(const QString& file);

}  // namespace nuvo
