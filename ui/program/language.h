#pragma once

#include <QLocale>

// The language the program speaks: Traditional Chinese where it is asked for, English (the
// texts of the source) everywhere else.

// Loads the program's own translation and Qt's (its dialogs, the command line's help) for the
// language asked for: QEL_LANGUAGE when set ("en" keeps English, "zh_TW" Chinese), else the
// desktop's (LANGUAGE, LC_ALL, LC_MESSAGES, LANG). Needs a QCoreApplication; calling it again
// replaces what the last call loaded. Windows made afterwards speak the language.
void InstallTranslations();

// The locale of what the program shows (weekday names): the one InstallTranslations chose.
QLocale UiLocale();
