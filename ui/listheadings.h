#pragma once

#include <QCoreApplication>
#include <QStringList>

// The headings of the four list grids, column 0 onward; both browsing windows show them.
inline const QStringList kFamilyHeadings{QT_TRANSLATE_NOOP("ListHeadings", "Title"),
                                         QT_TRANSLATE_NOOP("ListHeadings", "Name"),
                                         QT_TRANSLATE_NOOP("ListHeadings", "Sex"),
                                         QT_TRANSLATE_NOOP("ListHeadings", "ID"),
                                         QT_TRANSLATE_NOOP("ListHeadings", "Birthday"),
                                         QT_TRANSLATE_NOOP("ListHeadings", "Insurance Age"),
                                         QT_TRANSLATE_NOOP("ListHeadings", "Occupation"),
                                         QT_TRANSLATE_NOOP("ListHeadings", "Comment")};
inline const QStringList kInsuranceHeadings{QT_TRANSLATE_NOOP("ListHeadings", "Insurer"),
                                            QT_TRANSLATE_NOOP("ListHeadings", "Product"),
                                            QT_TRANSLATE_NOOP("ListHeadings", "Coverage"),
                                            QT_TRANSLATE_NOOP("ListHeadings", "Period"),
                                            QT_TRANSLATE_NOOP("ListHeadings", "Insur_No"),
                                            QT_TRANSLATE_NOOP("ListHeadings", "Policyholder"),
                                            QT_TRANSLATE_NOOP("ListHeadings", "Beneficiary"),
                                            QT_TRANSLATE_NOOP("ListHeadings", "Premium"),
                                            QT_TRANSLATE_NOOP("ListHeadings", "Payment"),
                                            QT_TRANSLATE_NOOP("ListHeadings", "Effective date"),
                                            QT_TRANSLATE_NOOP("ListHeadings", "Anniversary")};
inline const QStringList kCompensateHeadings{
    QT_TRANSLATE_NOOP("ListHeadings", "Date"),         QT_TRANSLATE_NOOP("ListHeadings", "Reason"),
    QT_TRANSLATE_NOOP("ListHeadings", "Location"),     QT_TRANSLATE_NOOP("ListHeadings", "Item"),
    QT_TRANSLATE_NOOP("ListHeadings", "Compensation"), QT_TRANSLATE_NOOP("ListHeadings", "Insurer"),
    QT_TRANSLATE_NOOP("ListHeadings", "State")};
inline const QStringList kContactHeadings{
    QT_TRANSLATE_NOOP("ListHeadings", "Date"),    QT_TRANSLATE_NOOP("ListHeadings", "Time"),
    QT_TRANSLATE_NOOP("ListHeadings", "Add"),     QT_TRANSLATE_NOOP("ListHeadings", "Method"),
    QT_TRANSLATE_NOOP("ListHeadings", "Subject"), QT_TRANSLATE_NOOP("ListHeadings", "Context"),
    QT_TRANSLATE_NOOP("ListHeadings", "Type"),    QT_TRANSLATE_NOOP("ListHeadings", "Comment")};

// Headings marked for translation in `context`, in the language the program speaks.
inline QStringList TranslatedHeadings(const QStringList& headings,
                                      const char* context = "ListHeadings") {
  QStringList translated;
  for (const QString& heading : headings)
    translated << QCoreApplication::translate(context, heading.toUtf8().constData());
  return translated;
}
