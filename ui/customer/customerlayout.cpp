#include "ui/customer/customerlayout.h"

#include "ui/storedvalues.h"

namespace {

using K = placement::Kind;
using placement::Ming;
// clang-format off
const placement::Control kLayout[] = {
    {K::Label, "Label6", nullptr, {0, 0, 375, 255}, QT_TRANSLATE_NOOP("frmCust", "MM"), Ming(11.25)},
    {K::ToolBar, "Toolbar1", nullptr, {0, 0, 9480, 555}},
    {K::Tabs, "SSTab1", nullptr, {240, 840, 8955, 7095}, "", Ming(12.75)},
    {K::Page, "tabIndividual", "SSTab1", {}, QT_TRANSLATE_NOOP("frmCust", "Individual")},
    {K::Page, "tabFamily", "SSTab1", {}, QT_TRANSLATE_NOOP("frmCust", "Family")},
    {K::Page, "tabInsurance", "SSTab1", {}, QT_TRANSLATE_NOOP("frmCust", "Insurance")},
    {K::Page, "tabCompensation", "SSTab1", {}, QT_TRANSLATE_NOOP("frmCust", "Compensation")},
    {K::Page, "tabContact", "SSTab1", {}, QT_TRANSLATE_NOOP("frmCust", "Contact")},
    {K::Frame, "Frame1", "tabIndividual", {360, 720, 7935, 3375}, QT_TRANSLATE_NOOP("frmCust", "Personal"), placement::Sans(12, true)},
    {K::Frame, "Frame2", "tabIndividual", {360, 4440, 7935, 2415}, QT_TRANSLATE_NOOP("frmCust", "Company"), placement::Sans(12, true)},
    {K::TextBox, "txtName", "Frame1", {1200, 400, 1695, 270}, "", Ming(9)},
    {K::TextBox, "txtCID", "Frame1", {3960, 400, 1335, 270}, "", Ming(9)},
    {K::Combo, "cmbCusttype", "Frame1", {6600, 400, 1095, 300}, "", Ming(9), nullptr, QEL_CUSTOMER_TYPES},
    {K::Combo, "cmbBirthyear", "Frame1", {1200, 840, 855, 300}, "", Ming(9), nullptr, "1930..2004"},
    {K::Combo, "cmbBirthmonth", "Frame1", {2550, 840, 735, 300}, "", Ming(9), nullptr, "1..12"},
    {K::Combo, "cmbBirthday", "Frame1", {3960, 840, 735, 300}, "", Ming(9), nullptr, "1..31"},
    {K::Combo, "cmbMarriage", "Frame1", {6600, 840, 1095, 300}, "", Ming(9), nullptr, QEL_MARRIAGES},
    {K::Combo, "cmbSex", "Frame1", {1200, 1320, 975, 300}, "", Ming(9), nullptr, QEL_SEXES},
    {K::Combo, "cmbBlood", "Frame1", {3960, 1320, 975, 300}, "", Ming(9), nullptr, "A|B|O|AB"},
    {K::TextBox, "txtBirthplace", "Frame1", {6600, 1320, 1095, 270}, "", Ming(9)},
    {K::TextBox, "txtCustId", "Frame1", {1200, 1800, 2535, 270}, "", Ming(9)},
    {K::TextBox, "txtEmail", "Frame1", {4800, 1800, 2895, 270}, "", Ming(9)},
    {K::TextBox, "txtTelHome", "Frame1", {1200, 2400, 1935, 270}, "", Ming(9)},
    {K::TextBox, "txtCellphone", "Frame1", {4080, 2400, 1335, 270}, "", Ming(9)},
    {K::TextBox, "txtOther", "Frame1", {6240, 2400, 1455, 270}, "", Ming(9)},
    {K::TextBox, "txtAddHome", "Frame1", {1200, 2880, 6495, 270}, "", Ming(9)},
    {K::TextBox, "txtCompany", "Frame2", {1200, 360, 2535, 270}, "", Ming(9)},
    {K::Combo, "cmbJobtype", "Frame2", {4920, 360, 2775, 300}, "", Ming(9)},
    {K::TextBox, "txtJobtitle", "Frame2", {1200, 840, 2535, 270}, "", Ming(9)},
    {K::Combo, "cmbSalary", "Frame2", {4920, 840, 2775, 300}, "", Ming(9), nullptr, QEL_INCOMES},
    {K::Combo, "cmbJobgrade", "Frame2", {1200, 1400, 615, 300}, "", Ming(9), nullptr, "1..6"},
    {K::TextBox, "txtTelcompany", "Frame2", {2640, 1440, 2175, 270}, "", Ming(9)},
    {K::TextBox, "txtFaxcompany", "Frame2", {5520, 1440, 2175, 270}, "", Ming(9)},
    {K::TextBox, "txtAddcompany", "Frame2", {1200, 1920, 6495, 270}, "", Ming(9)},
    // Caption labels ("Label6" is the designed "MM" label of the window).
    {K::CaptionBefore, "Label1", "Frame1", {}, QT_TRANSLATE_NOOP("frmCust", "Name"), Ming(12), "txtName"},
    {K::CaptionBefore, "Label2", "Frame1", {}, QT_TRANSLATE_NOOP("frmCust", "C_No"), Ming(12), "txtCID"},
    {K::CaptionBefore, "Label3", "Frame1", {}, QT_TRANSLATE_NOOP("frmCust", "Type"), Ming(11.25), "cmbCusttype"},
    {K::CaptionBefore, "Label4", "Frame1", {}, QT_TRANSLATE_NOOP("frmCust", "Birthday"), Ming(11.25), "cmbBirthyear"},
    {K::CaptionAfter, "Label5", "Frame1", {}, QT_TRANSLATE_NOOP("frmCust", "Year"), Ming(11.25), "cmbBirthyear"},
    {K::CaptionAfter, "Label7", "Frame1", {}, QT_TRANSLATE_NOOP("frmCust", "Month"), Ming(11.25), "cmbBirthmonth"},
    {K::CaptionAfter, "Label8", "Frame1", {}, QT_TRANSLATE_NOOP("frmCust", "Day"), Ming(11.25), "cmbBirthday"},
    {K::CaptionBefore, "Label9", "Frame1", {}, QT_TRANSLATE_NOOP("frmCust", "Marriage"), Ming(11.25), "cmbMarriage"},
    {K::CaptionBefore, "Label10", "Frame1", {}, QT_TRANSLATE_NOOP("frmCust", "Sex"), Ming(11.25), "cmbSex"},
    {K::CaptionBefore, "Label11", "Frame1", {}, QT_TRANSLATE_NOOP("frmCust", "Blood"), Ming(11.25), "cmbBlood"},
    {K::CaptionBefore, "Label12", "Frame1", {}, QT_TRANSLATE_NOOP("frmCust", "Birthplace"), Ming(11.25), "txtBirthplace"},
    {K::CaptionBefore, "Label13", "Frame1", {}, QT_TRANSLATE_NOOP("frmCust", "ID"), Ming(11.25), "txtCustId"},
    {K::CaptionBefore, "Label14", "Frame1", {}, QT_TRANSLATE_NOOP("frmCust", "E-Mail"), Ming(11.25), "txtEmail"},
    {K::CaptionBefore, "Label15", "Frame1", {}, QT_TRANSLATE_NOOP("frmCust", "Tel(H)"), Ming(11.25), "txtTelHome"},
    {K::CaptionBefore, "Label16", "Frame1", {}, QT_TRANSLATE_NOOP("frmCust", "Mobile"), Ming(11.25), "txtCellphone"},
    {K::CaptionBefore, "Label17", "Frame1", {}, QT_TRANSLATE_NOOP("frmCust", "Other"), Ming(11.25), "txtOther"},
    {K::CaptionBefore, "Label18", "Frame1", {}, QT_TRANSLATE_NOOP("frmCust", "Add(H)"), Ming(11.25), "txtAddHome"},
    {K::CaptionBefore, "Label19", "Frame2", {}, QT_TRANSLATE_NOOP("frmCust", "Company"), Ming(11.25), "txtCompany"},
    {K::CaptionBefore, "Label20", "Frame2", {}, QT_TRANSLATE_NOOP("frmCust", "Business"), Ming(11.25), "cmbJobtype"},
    {K::CaptionBefore, "Label21", "Frame2", {}, QT_TRANSLATE_NOOP("frmCust", "Title"), Ming(11.25), "txtJobtitle"},
    {K::CaptionBefore, "Label22", "Frame2", {}, QT_TRANSLATE_NOOP("frmCust", "Income"), Ming(11.25), "cmbSalary"},
    {K::CaptionBefore, "Label23", "Frame2", {}, QT_TRANSLATE_NOOP("frmCust", "Job Grade"), Ming(11.25), "cmbJobgrade"},
    {K::CaptionBefore, "Label24", "Frame2", {}, QT_TRANSLATE_NOOP("frmCust", "Tel(O)"), Ming(11.25), "txtTelcompany"},
    {K::CaptionBefore, "Label25", "Frame2", {}, QT_TRANSLATE_NOOP("frmCust", "Fax"), Ming(11.25), "txtFaxcompany"},
    {K::CaptionBefore, "Label26", "Frame2", {}, QT_TRANSLATE_NOOP("frmCust", "Add(O)"), Ming(11.25), "txtAddcompany"},
    // The list tabs: a grid and its cell editor each.
    {K::Grid, "msfgFamily", "tabFamily", {480, 1080, 7935, 5535}, QT_TRANSLATE_NOOP("frmCust", "Family"), Ming(12), nullptr, "8"},
    {K::CellEditor, "txtInput", "tabFamily", {480, 1080, 855, 375}, "", Ming(12), "msfgFamily"},
    {K::Grid, "msfgInsurlife", "tabInsurance", {480, 1080, 7935, 5535}, QT_TRANSLATE_NOOP("frmCust", "Insurance"), Ming(12), nullptr, "11"},
    {K::CellEditor, "txtInputInsur", "tabInsurance", {480, 1080, 855, 375}, "", Ming(12), "msfgInsurlife"},
    {K::Grid, "msfgCompenlife", "tabCompensation", {480, 1080, 7935, 5535}, QT_TRANSLATE_NOOP("frmCust", "Compensation"), Ming(12), nullptr, "7"},
    {K::CellEditor, "txtInputCom", "tabCompensation", {480, 1080, 855, 375}, "", Ming(12), "msfgCompenlife"},
    {K::Grid, "msfgContact", "tabContact", {480, 1080, 7935, 5535}, QT_TRANSLATE_NOOP("frmCust", "Contact"), Ming(12), nullptr, "8"},
    {K::CellEditor, "txtInputCon", "tabContact", {480, 1080, 855, 375}, "", Ming(12), "msfgContact"},
};
// clang-format on

}  // namespace

std::span<const placement::Control> CustomerLayout() {
  return kLayout;
}
