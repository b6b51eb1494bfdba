// The program on a real X display (Xvfb): it starts, shows "MAIN MENU", is photographed, and is
// closed the way the agent closes it, with a click on the toolbar's exit button; it must end with
// status 0 and leave the database as it was. A file it cannot use shows the message box, which
// the agent closes with Enter; the program then ends with a non-zero status, without crashing.

#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

#include "tests/customer/custtest.h"

using namespace custtest;

namespace {

// Generous: a sanitizer build starts slowly.
constexpr int kWaitMs = 60000;

QString Tool(const char* name) {
  return QStandardPaths::findExecutable(QLatin1String(name));
}

// An X server of the test's own on a display number it picks itself.
class XServer {
 public:
  XServer() {
    m_process.start(Tool("Xvfb"), {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-dpi", "96",
                                   "-nolisten", "tcp"});
    if (!m_process.waitForStarted()) return;
    while (!m_process.canReadLine() && m_process.state() == QProcess::Running)
      m_process.waitForReadyRead(1000);
    const QByteArray number = m_process.readLine().trimmed();
    if (!number.isEmpty()) m_display = ":" + QString::fromLatin1(number);
  }
  ~XServer() {
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) m_process.kill();
    m_process.waitForFinished();
  }
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  QString Display() const { return m_display; }
  QString Errors() { return QString::fromLocal8Bit(m_process.readAllStandardError()); }

  // Runs an X tool on this display; its standard output.
  QString Run(const char* tool, const QStringList& args) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", m_display);
    process.setProcessEnvironment(environment);
    process.start(Tool(tool), args);
    process.waitForFinished(kWaitMs);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
  }

  // The id of the visible window with exactly this title, once it is there ("" when it never
  // comes).
  QString WaitForWindow(const QString& title, QProcess& program) {
    for (int waited = 0; waited < kWaitMs; waited += 100) {
      const QString ids =
          Run("xdotool", {"search", "--onlyvisible", "--name", QLatin1Char('^') + title + '$'});
      if (!ids.isEmpty()) return ids.split('\n').first();
      if (program.state() != QProcess::Running) return QString();
      QTest::qWait(100);
    }
    return QString();
  }

  // The window's top left corner on the screen.
  QPoint Position(const QString& window) {
    QPoint position;
    for (const QString& line :
         Run("xdotool", {"getwindowgeometry", "--shell", window}).split('\n')) {
      if (line.startsWith(QLatin1String("X="))) position.setX(line.mid(2).toInt());
      if (line.startsWith(QLatin1String("Y="))) position.setY(line.mid(2).toInt());
    }
    return position;
  }

  // A photograph of the whole screen, kept beside the test program for a human to look at.
  QImage Screenshot(const QString& name) {
    const QString path = QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
    QFile::remove(path);
    Run("import", {"-window", "root", path});
    return QImage(path);
  }

 private:
  QProcess m_process;
  QString m_display;
};

void StartProgram(QProcess& program, const QString& folder, const QString& display) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("DISPLAY", display);
  environment.insert("QT_QPA_PLATFORM", "xcb");
  program.setProcessEnvironment(environment);
  program.setWorkingDirectory(folder);
  program.start(QStringLiteral(QEL_BINARY), QStringList());
  program.waitForStarted();
}

// Distinct colours inside a rectangle of the picture: a drawn window has many, an empty screen
// one.
int Colours(const QImage& image, const QRect& area) {
  QSet<QRgb> colours;
  const QRect inside = area.intersected(image.rect());
  for (int y = inside.top(); y <= inside.bottom(); y += 2)
    for (int x = inside.left(); x <= inside.right(); x += 2) colours << image.pixel(x, y);
  return int(colours.size());
}

// Where the toolbar's exit button lies inside the customer window: the same window, laid out
// offscreen with the same fonts, style and 96 dpi.
QPoint ExitButtonCentre() {
  frmCust probe;
  probe.show();
  QApplication::processEvents();
  QWidget* button = probe.Toolbar1->widgetForAction(probe.Toolbar1->Buttons("exit"));
  const QPoint centre = button->mapTo(&probe, button->rect().center());
  probe.hide();
  return centre;
}

}  // namespace

class TestRealDisplay : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void run_data();
  void run();
};

void TestRealDisplay::init() {
  if (Tool("Xvfb").isEmpty()) QSKIP("Xvfb is not installed (scripts/deps.sh installs it)");
  for (const char* tool : {"xdotool", "import"}) QVERIFY2(!Tool(tool).isEmpty(), tool);
}

// The customer window, photographed and closed with a click on exit: status 0. A file the
// program cannot use: its message box, closed with Enter, then a non-zero status. The file is
// unchanged either way.
void TestRealDisplay::run_data() {
  QTest::addColumn<bool>("usable");
  QTest::addColumn<QString>("title");
  QTest::newRow("customers, exit clicked") << true << "MAIN MENU";
  QTest::newRow("random bytes, message box closed with Enter") << false << "Qel";
}

void TestRealDisplay::run() {
  QFETCH(bool, usable);
  QFETCH(QString, title);
  TestEnv env;
  if (usable) {
    CustomersWithKin({{"A001", "Alice"}});
  } else {
    QByteArray bytes(16 * 1024, 0);
    QRandomGenerator random(5);
    for (char& byte : bytes) byte = char(random.bounded(256));
    QFile file(env.DbPath());
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
  }
  const QByteArray before = FileBytes(env.DbPath());
  const QPoint exitButton = ExitButtonCentre();

  XServer x;
  QVERIFY2(!x.Display().isEmpty(), qPrintable(x.Errors()));
  QProcess program;
  StartProgram(program, env.Dir(), x.Display());
  const QString window = x.WaitForWindow(title, program);
  QVERIFY2(!window.isEmpty(), program.readAllStandardError().constData());
  const QPoint corner = x.Position(window);
  const QImage shot =
      x.Screenshot(QStringLiteral("realdisplay-%1.png").arg(usable ? "mainmenu" : "refused"));
  QVERIFY(!shot.isNull());

  if (usable) {
    QVERIFY(Colours(shot, QRect(corner, QSize(600, 500))) > 20);
    const QPoint click = corner + exitButton;
    x.Run("xdotool", {"mousemove", "--sync", QString::number(click.x()), QString::number(click.y()),
                      "click", "1"});
  } else {
    x.Run("xdotool", {"windowfocus", "--sync", window, "key", "Return"});
  }
  QVERIFY2(program.waitForFinished(kWaitMs), "the program did not end");
  const QByteArray errors = program.readAllStandardError();
  QVERIFY2(program.exitStatus() == QProcess::NormalExit, errors.constData());
  QVERIFY2((program.exitCode() == 0) == usable, errors.constData());
  QCOMPARE(FileBytes(env.DbPath()), before);
}

QTEST_MAIN(TestRealDisplay)
#include "tst_realdisplay.moc"
