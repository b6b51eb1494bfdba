#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <span>

class QWidget;

// A window's controls as data: one line of a table per control, read by Place(), which makes
// the controls in table order (later lines lie over earlier ones and follow them in the focus
// chain), names them, gives them their font and puts them where the design has them.
namespace placement {

// What a line makes. `text`, `link` and `more` mean what the kind says.
enum class Kind {
  Label,          // `text` in a box of the design's size; `more`: its spoken name
  Caption,        // `text` at its box's corner, the box grown to the text; it names `link`
  CaptionBefore,  // `text` just left of the input `link`, sized to the text; it names `link`
  CaptionAfter,   // the same just right of `link`
  Value,          // an empty label a value is written into; `more` "shaded": on a midlight ground
  TextBox,        // a line edit holding a text of any length; `text`: its first text
  Combo,          // an editable combo box; `more`: its entries; `text`: its first text
  SpinBox,        // a spin box (range and value are the window's)
  Button,         // a push button reading `text`
  IconButton,     // a push button showing the icon `more`; `text`: its spoken name and tool tip
  Frame,          // a group box titled `text`; `more`: its style sheet
  ToolBar,        // a keyed toolbar that paints its ground over what lies under it
  Tabs,           // a tab control (the font is its tabs'); `more` "row": see Place()
  Page,           // a plain page of the tab control `parent`, its tab reading `text`
  Grid,           // a list grid of `more` columns and one data row, spoken as `text`
  CellEditor,     // the floating editor of the grid `link`, hidden, spoken as "<grid> cell"
  Table,          // a table view spoken as `text`
};

enum class Face { None, MingLiU, Tahoma, Window };
struct Font {
  Face face = Face::None;  // None: the control keeps the font it inherits
  double points = 0;
  bool bold = false;
};
constexpr Font Ming(double points) {
  return {Face::MingLiU, points};
}
constexpr Font Sans(double points, bool bold = false) {
  return {Face::Tahoma, points, bold};
}
// The window's own font, set on the control (so it no longer follows the window's).
constexpr Font kWindowFont{Face::Window};

// Where a control goes: a rectangle in twips in its container, or, with `line` >= 0, a line of
// a window that lays its controls out in lines from top to bottom (a window grows its
// controls with it that way): `stretch` shares out the line's room, `gap` (pixels) stands
// before the control.
struct Where {
  int left = 0, top = 0, width = 0, height = 0;
  int line = -1, stretch = 0, gap = 0;
};
constexpr Where InLine(int line, int stretch = 0, int gap = 0) {
  return {0, 0, 0, 0, line, stretch, gap};
}

struct Control {
  Kind kind;
  const char* name;
  const char* parent;  // the container's name; nullptr: the window
  Where where;
  const char* text = "";
  Font font = {};
  const char* link = nullptr;
  const char* more = nullptr;
  int tab = 0;  // place in the keyboard order, from 1; 0: the order of the table
};

// A combo's entries: "a|b|c", where a piece "1..12" stands for the numbers 1 to 12.
QStringList Entries(const char* entryList);

// The controls a table made, by name.
class Placed {
 public:
  QWidget* operator[](const QString& name) const;

  // Fills each pointer with the control of the same name; a missing control or one of
  // another class is a fault of the program. Use it through FETCH_CONTROLS.
  template <class... T>
  void Fetch(const char* names, T*&... members) const {
    const QStringList list = QString::fromLatin1(names).split(QLatin1Char(','));
    qsizetype i = 0;
    (Assign(members, list.at(i++).trimmed()), ...);
  }

  QHash<QString, QWidget*> controls;

 private:
  template <class T>
  void Assign(T*& slot, const QString& name) const {
    slot = dynamic_cast<T*>((*this)[name]);
    if (!slot) Mismatch(name);
  }
  [[noreturn]] static void Mismatch(const QString& name);
};

// Makes the table's controls in `window`. Controls on a page of a tab control are placed from
// the tab control's own corner, as designed: the page's offset inside it (tab row and frame;
// with `more` "row" on the tab control, the tab row only) is taken off. `made` is told of each
// control as soon as it is placed, before the next is made.
Placed Place(QWidget* window, std::span<const Control> table,
             const std::function<void(QWidget*)>& made = {});

}  // namespace placement

// Sets member pointers from a Placed by their own names: FETCH_CONTROLS(placed, txtName, cmdExit).
#define FETCH_CONTROLS(placed, ...) (placed).Fetch(#__VA_ARGS__, __VA_ARGS__)
