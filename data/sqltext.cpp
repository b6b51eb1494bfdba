#include "data/sqltext.h"

QString StripNul(const QString& text) {
  if (!text.contains(QChar(0))) return text;
  QString copy = text;
  copy.remove(QChar(0));
  return copy;
}

QString SqlQuote(const QString& text) {
  QString quoted = StripNul(text);
  quoted.replace(QLatin1Char('\''), QLatin1String("''"));
  return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}
