#include "ui/toolkit/placement.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include "ui/toolkit/celleditor.h"
#include "ui/toolkit/editablecombo.h"
#include "ui/toolkit/keyedtoolbar.h"
#include "ui/toolkit/listgrid.h"
#include "ui/toolkit/look.h"
#include "ui/toolkit/twips.h"

namespace placement {

namespace {

// The tab control, able to tell where its pages lie inside it.
class TabControl : public QTabWidget {
 public:
  using QTabWidget::QTabWidget;
  QPoint PageOffset(bool tabRowOnly) {
    if (tabRowOnly) return QPoint(0, tabBar()->sizeHint().height());
    ensurePolished();
    QStyleOptionTabWidgetFrame option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, this).topLeft();
  }
};

bool Is(const char* text, const char* word) {
  return text && qstrcmp(text, word) == 0;
}

QFont FontOf(const Font& font, const QWidget* window) {
  switch (font.face) {
    case Face::MingLiU:
      return MingLiU(font.points, font.bold);
    case Face::Tahoma:
      return Tahoma(font.points, font.bold);
    default:
      return window->font();
  }
}

// A caption sized to its text just beside its input, sharing the input's middle line. The
// labels after the birthday boxes have little room before the next box, hence the small gap.
void PlaceBeside(QLabel* label, const QWidget* input, bool after) {
  const int gap = after ? 2 : 4;
  const QFontMetrics metrics(label->font());
  const int width = metrics.horizontalAdvance(label->text()) + 1;
  const int height = qMax(metrics.height(), input->height());
  const int left = after ? input->geometry().right() + 1 + gap : input->x() - gap - width;
  label->setGeometry(left, input->y() + (input->height() - height) / 2, width, height);
  label->setAlignment((after ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
}

// A text of the table in the language the program speaks: the tables mark their texts with
// QT_TRANSLATE_NOOP in the context of their window's class.
QString Translated(const QWidget* window, const char* text) {
  return QCoreApplication::translate(window->metaObject()->className(), text);
}

QWidget* Make(const Control& line, QWidget* parent, const Placed& placed, const QString& text) {
  switch (line.kind) {
    case Kind::Label:
    case Kind::Caption:
    case Kind::CaptionBefore:
    case Kind::CaptionAfter:
      return new QLabel(text, parent);
    case Kind::Value: {
      auto* label = new QLabel(parent);
      if (Is(line.more, "shaded")) {
        label->setAutoFillBackground(true);
        QPalette palette = label->palette();
        palette.setColor(QPalette::Window, palette.color(QPalette::Midlight));
        label->setPalette(palette);
      }
      return label;
    }
    case Kind::TextBox: {
      auto* box = new QLineEdit(parent);
      KeepWhole(box);
      if (!text.isEmpty()) box->setText(text);
      return box;
    }
    case Kind::Combo: {
      QComboBox* combo = EditableCombo(parent, QString(), Entries(line.more));
      if (!text.isEmpty()) combo->setEditText(text);
      return combo;
    }
    case Kind::SpinBox:
      return new QSpinBox(parent);
    case Kind::Button:
      return new QPushButton(text, parent);
    case Kind::IconButton: {
      auto* button = new QPushButton(parent);
      button->setIcon(SvgIcon(QString::fromUtf8(line.more)));
      button->setIconSize(QSize(24, 24));
      button->setAccessibleName(text);
      button->setToolTip(text);
      return button;
    }
    case Kind::Frame: {
      auto* frame = new QGroupBox(text, parent);
      if (line.more) frame->setStyleSheet(QString::fromUtf8(line.more));
      return frame;
    }
    case Kind::ToolBar: {
      auto* toolbar = new KeyedToolBar(parent);
      toolbar->setAutoFillBackground(true);
      return toolbar;
    }
    case Kind::Tabs:
      return new TabControl(parent);
    case Kind::Page:
      return new QWidget(parent);
    case Kind::Grid: {
      auto* grid = new ListGrid(parent);
      grid->setAccessibleName(text);
      grid->SetCols(QByteArray(line.more).toInt());
      grid->SetRows(2);
      return grid;
    }
    case Kind::CellEditor: {
      auto* grid = static_cast<ListGrid*>(placed[QLatin1String(line.link)]);
      auto* editor = new CellEditor(grid, parent);
      editor->setAccessibleName(
          QCoreApplication::translate("placement", "%1 cell").arg(grid->accessibleName()));
      return editor;
    }
    case Kind::Table: {
      auto* table = new QTableView(parent);
      table->setAccessibleName(text);
      return table;
    }
  }
  return nullptr;
}

void SetFont(QWidget* control, Kind kind, const QFont& font) {
  if (kind == Kind::Tabs) {
    static_cast<QTabWidget*>(control)->tabBar()->setFont(font);
    return;
  }
  control->setFont(font);
  // A heading row is a row of the grid: the same font, whatever the style gives headers.
  if (auto* view = qobject_cast<QTableView*>(control)) view->horizontalHeader()->setFont(font);
}

}  // namespace

QStringList Entries(const char* entryList) {
  QStringList entries;
  if (!entryList || !*entryList) return entries;
  static const QRegularExpression range(QStringLiteral("^(\\d+)\\.\\.(\\d+)$"));
  for (const QString& piece : QString::fromUtf8(entryList).split(QLatin1Char('|'))) {
    const QRegularExpressionMatch numbers = range.match(piece);
    if (!numbers.hasMatch()) {
      entries << piece;
      continue;
    }
    for (int n = numbers.captured(1).toInt(); n <= numbers.captured(2).toInt(); ++n)
      entries << QString::number(n);
  }
  return entries;
}

QWidget* Placed::operator[](const QString& name) const {
  QWidget* control = controls.value(name);
  if (!control) Mismatch(name);
  return control;
}

void Placed::Mismatch(const QString& name) {
  qFatal("the window's layout has no control %s of that kind", qPrintable(name));
}

Placed Place(QWidget* window, std::span<const Control> table,
             const std::function<void(QWidget*)>& made) {
  Placed placed;
  QHash<QWidget*, TabControl*> pageTabs;   // page -> its tab control
  QSet<TabControl*> tabRowOnly;            // tab controls measured from below the tab row
  QHash<TabControl*, QPoint> pageOffsets;  // where the pages lie in their tab control
  QMap<int, QList<const Control*>> lines;
  QMap<int, QWidget*> keyboardOrder;

  for (const Control& line : table) {
    QWidget* parent = line.parent ? placed[QLatin1String(line.parent)] : window;
    const QString text = Translated(window, line.text);
    QWidget* control = Make(line, parent, placed, text);
    const QString name = QString::fromLatin1(line.name);
    control->setObjectName(name);
    placed.controls.insert(name, control);
    if (line.font.face != Face::None) SetFont(control, line.kind, FontOf(line.font, window));
    if (line.more && line.kind == Kind::Label)
      control->setAccessibleName(Translated(window, line.more));
    if (line.tab > 0) keyboardOrder.insert(line.tab, control);

    if (line.kind == Kind::Tabs && Is(line.more, "row"))
      tabRowOnly.insert(static_cast<TabControl*>(control));
    if (auto* tabs = dynamic_cast<TabControl*>(parent)) {
      tabs->addTab(control, text);
      pageTabs.insert(control, tabs);
    } else if (line.kind == Kind::CaptionBefore || line.kind == Kind::CaptionAfter) {
      PlaceBeside(static_cast<QLabel*>(control), placed[QLatin1String(line.link)],
                  line.kind == Kind::CaptionAfter);
    } else if (line.where.line >= 0) {
      lines[line.where.line] << &line;
    } else {
      const Where& at = line.where;
      PlaceTwips(control, at.left, at.top, at.width, at.height);
      // A page's controls: the design measures from its tab control's corner.
      if (TabControl* tabs = pageTabs.value(parent)) {
        if (!pageOffsets.contains(tabs))
          pageOffsets.insert(tabs, tabs->PageOffset(tabRowOnly.contains(tabs)));
        control->move(control->pos() - pageOffsets.value(tabs));
      }
      if (line.kind == Kind::Caption) {
        // A caption whose text needs more room than its design box gets it: never cut off.
        auto* label = static_cast<QLabel*>(control);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        const QSize need = label->sizeHint();
        label->resize(qMax(label->width(), need.width()), qMax(label->height(), need.height()));
      }
    }
    if (line.kind == Kind::CellEditor) {
      control->hide();
      control->raise();
    }
    if (made) made(control);
  }

  // Captions name their inputs (an input with two captions, "Birthday" before it and "Year"
  // after it, is spoken as both) and are their buddies where the input takes the focus.
  QHash<QWidget*, QStringList> spokenAs;
  for (const Control& line : table) {
    if (!line.link || line.kind == Kind::CellEditor) continue;
    QWidget* input = placed[QLatin1String(line.link)];
    spokenAs[input] << Translated(window, line.text);
    if (input->focusPolicy() != Qt::NoFocus)
      static_cast<QLabel*>(placed[QLatin1String(line.name)])->setBuddy(input);
  }
  for (auto it = spokenAs.cbegin(); it != spokenAs.cend(); ++it)
    it.key()->setAccessibleName(it.value().join(QLatin1Char(' ')));

  QWidget* previous = nullptr;
  for (QWidget* control : keyboardOrder) {
    if (previous) QWidget::setTabOrder(previous, control);
    previous = control;
  }

  if (!lines.isEmpty()) {
    auto* column = new QVBoxLayout(window);
    for (const QList<const Control*>& members : lines) {
      auto widget = [&placed](const Control* line) { return placed[QLatin1String(line->name)]; };
      if (members.size() == 1 && members[0]->where.gap == 0) {
        column->addWidget(widget(members[0]), members[0]->where.stretch);
        continue;
      }
      auto* row = new QHBoxLayout;
      for (const Control* member : members) {
        if (member->where.gap > 0) row->addSpacing(member->where.gap);
        row->addWidget(widget(member), member->where.stretch);
      }
      column->addLayout(row);
    }
  }
  return placed;
}

}  // namespace placement
