#pragma once

#include <QtGlobal>

// The entries of the combo boxes whose choice is stored as it reads: the customer window offers
// them for typing and the search window for matching, so both must offer the same texts.
// Literals, "a|b|c", so that a window's layout table can put its own entries before them.
#define QEL_CUSTOMER_TYPES "Customer|to-be|Potential |Normal |unfamilia|family|friend"
#define QEL_MARRIAGES "unmarried|married|divorce|other"
#define QEL_SEXES "male|female"
#define QEL_INCOMES                                                                    \
  "under 100,000|100,000~200,000|200,000~300,000|300,000~400,000|400,000~500,000|"     \
  "500,000~600,000|600,000~700,000|700,000~800,000|800,000~900,000|900,000~1,000,000|" \
  "1,000,000~1,500,000|1,500,000~2,000,000|above 2,000,000"

// Every entry above, for the translation tool: a combo box shows an entry by its label in the
// language the program speaks (StoredLabel, context "StoredValue") and stores the entry itself.
[[maybe_unused]] inline constexpr const char* kStoredValueLabels[] = {
    QT_TRANSLATE_NOOP("StoredValue", "Customer"),
    QT_TRANSLATE_NOOP("StoredValue", "to-be"),
    QT_TRANSLATE_NOOP("StoredValue", "Potential "),
    QT_TRANSLATE_NOOP("StoredValue", "Normal "),
    QT_TRANSLATE_NOOP("StoredValue", "unfamilia"),
    QT_TRANSLATE_NOOP("StoredValue", "family"),
    QT_TRANSLATE_NOOP("StoredValue", "friend"),
    QT_TRANSLATE_NOOP("StoredValue", "unmarried"),
    QT_TRANSLATE_NOOP("StoredValue", "married"),
    QT_TRANSLATE_NOOP("StoredValue", "divorce"),
    QT_TRANSLATE_NOOP("StoredValue", "other"),
    QT_TRANSLATE_NOOP("StoredValue", "male"),
    QT_TRANSLATE_NOOP("StoredValue", "female"),
    QT_TRANSLATE_NOOP("StoredValue", "under 100,000"),
    QT_TRANSLATE_NOOP("StoredValue", "100,000~200,000"),
    QT_TRANSLATE_NOOP("StoredValue", "200,000~300,000"),
    QT_TRANSLATE_NOOP("StoredValue", "300,000~400,000"),
    QT_TRANSLATE_NOOP("StoredValue", "400,000~500,000"),
    QT_TRANSLATE_NOOP("StoredValue", "500,000~600,000"),
    QT_TRANSLATE_NOOP("StoredValue", "600,000~700,000"),
    QT_TRANSLATE_NOOP("StoredValue", "700,000~800,000"),
    QT_TRANSLATE_NOOP("StoredValue", "800,000~900,000"),
    QT_TRANSLATE_NOOP("StoredValue", "900,000~1,000,000"),
    QT_TRANSLATE_NOOP("StoredValue", "1,000,000~1,500,000"),
    QT_TRANSLATE_NOOP("StoredValue", "1,500,000~2,000,000"),
    QT_TRANSLATE_NOOP("StoredValue", "above 2,000,000"),
};
