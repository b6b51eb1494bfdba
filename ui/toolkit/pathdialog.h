#pragma once

#include <QString>
#include <functional>

class QWidget;

// What the standard file dialog asks for.
enum class PathKind { OpenFile, Folder, SaveFile };

// Asks for a file or folder with the platform's standard dialog; empty when the user cancels.
// `filter` applies to files ("Access or CSV files (*.mdb *.accdb *.csv)").
QString AskPath(QWidget* parent, PathKind kind, const QString& caption, const QString& start,
                const QString& filter = QString());

// Tests answer the dialog instead of a user; an empty hook restores the real dialog.
using PathDialogHook = std::function<QString(PathKind kind, const QString& caption)>;
void SetPathDialogHook(PathDialogHook hook);
