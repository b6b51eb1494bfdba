#pragma once

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
