#pragma once

#include <QString>

// Started from the desktop menu, Qel keeps its data in a folder of the user's own instead of
// whatever working folder the desktop happens to use.

// ~/Qel.
QString UserFolder();
// Creates ~/Qel readable by its owner only when it is missing (an existing folder keeps its
// mode) and makes it the working folder, so the database file is looked up there. Throws
// std::runtime_error naming the folder and the cause when it cannot be used.
void EnterUserFolder();
