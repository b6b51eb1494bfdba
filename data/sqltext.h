#pragma once

#include <QString>

// Removes NUL characters, which SQLite and C strings would cut the text at.
QString StripNul(const QString& text);

// The text as an SQL string literal: between single quotes, every single quote doubled and
// NUL characters removed, so no text can end the literal early.
QString SqlQuote(const QString& text);
