#pragma once

#include <QStringList>

// The headings of the four list grids, column 0 onward; both browsing windows show them.
inline const QStringList kFamilyHeadings{"Title",    "Name",          "Sex",        "ID",
                                         "Birthday", "Insurance Age", "Occupation", "Comment"};
inline const QStringList kInsuranceHeadings{"Insurer",  "Product",        "Coverage",    "Period",
                                            "Insur_No", "Policyholder",   "Beneficiary", "Premium",
                                            "Payment",  "Effective date", "Anniversary"};
inline const QStringList kCompensateHeadings{"Date",         "Reason",  "Location", "Item",
                                             "Compensation", "Insurer", "State"};
inline const QStringList kContactHeadings{"Date",    "Time",    "Add",  "Method",
                                          "Subject", "Context", "Type", "Comment"};
