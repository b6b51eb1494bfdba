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
    m_process.start(Tool("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                     QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-dpi"),
                     QStringLiteral("96"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!m_process.waitForStarted()) return;
    while (!m_process.canReadLine() && m_process.state() == QProcess::Running)
      m_process.waitForReadyRead(1000);
    const QByteArray number = m_process.readLine().trimmed();
    if (!number.isEmpty()) m_display = QStringLiteral(":") + QString::fromLatin1(number);
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
    environment.insert(QStringLiteral("DISPLAY"), m_display);
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
          Run("xdotool", {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                          QStringLiteral("--name"), QLatin1Char('^') + title + '$'});
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
         Run("xdotool", {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window})
             .split('\n')) {
      if (line.startsWith(QLatin1String("X="))) position.setX(line.mid(2).toInt());
      if (line.startsWith(QLatin1String("Y="))) position.setY(line.mid(2).toInt());
    }
    return position;
  }

  // A photograph of the whole screen, kept beside the test program for a human to look at.
  QImage Screenshot(const QString& name) {
    const QString path = QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
    QFile::remove(path);
    Run("import", {QStringLiteral("-window"), QStringLiteral("root"), path});
    return QImage(path);
  }

 private:
  QProcess m_process;
  QString m_display;
};

void StartProgram(QProcess& program, const QString& folder, const QString& display) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("DISPLAY"), display);
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
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
  QWidget* button =
      probe.Toolbar1->widgetForAction(probe.Toolbar1->Buttons(QStringLiteral("exit")));
  const QPoint centre = button->mapTo(&probe, button->rect().center());
  probe.hide();
  return centre;
}

}  // namespace

class TestRealDisplay : public QObject {
  Q_OBJECT

 private slots:
  void init();
  void startShowExit_statusZeroFileUnchanged();
  void unusableFile_messageBoxThenNonZeroStatus();
};

void TestRealDisplay::init() {
  if (Tool("Xvfb").isEmpty()) QSKIP("Xvfb is not installed (scripts/deps.sh installs it)");
  for (const char* tool : {"xdotool", "import"}) QVERIFY2(!Tool(tool).isEmpty(), tool);
}

void TestRealDisplay::startShowExit_statusZeroFileUnchanged() {
  TestEnv env;
  CreateDatabase();
  InsertCustomer(FullCustomer(QStringLiteral("A001"), QStringLiteral("Alice")));
  InsertChild(QStringLiteral("family"), QStringLiteral("A001"),
              {QStringLiteral("wife"), QStringLiteral("Ann")});
  const QByteArray before = FileBytes(env.DbPath());
  const QPoint exitButton = ExitButtonCentre();

  XServer x;
  QVERIFY2(!x.Display().isEmpty(), qPrintable(x.Errors()));
  QProcess program;
  StartProgram(program, env.Dir(), x.Display());
  const QString window = x.WaitForWindow(QStringLiteral("MAIN MENU"), program);
  QVERIFY2(!window.isEmpty(), program.readAllStandardError().constData());

  const QPoint corner = x.Position(window);
  const QImage shot = x.Screenshot(QStringLiteral("realdisplay-mainmenu.png"));
  QVERIFY(!shot.isNull());
  QVERIFY(Colours(shot, QRect(corner, QSize(600, 500))) > 20);

  // The agent clicks the exit button.
  const QPoint click = corner + exitButton;
  x.Run("xdotool",
        {QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(click.x()),
         QString::number(click.y()), QStringLiteral("click"), QStringLiteral("1")});
  QVERIFY2(program.waitForFinished(kWaitMs), "the program did not end after exit was clicked");
  const QByteArray errors = program.readAllStandardError();
  QVERIFY2(program.exitStatus() == QProcess::NormalExit, errors.constData());
  QVERIFY2(program.exitCode() == 0, errors.constData());
  QCOMPARE(FileBytes(env.DbPath()), before);
}

void TestRealDisplay::unusableFile_messageBoxThenNonZeroStatus() {
  TestEnv env;
  QByteArray bytes(16 * 1024, 0);
  QRandomGenerator random(5);
  for (char& byte : bytes) byte = char(random.bounded(256));
  QFile file(env.DbPath());
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(bytes);
  file.close();

  XServer x;
  QVERIFY2(!x.Display().isEmpty(), qPrintable(x.Errors()));
  QProcess program;
  StartProgram(program, env.Dir(), x.Display());
  // The message box, titled with the program's name.
  const QString box = x.WaitForWindow(QStringLiteral("Qel"), program);
  QVERIFY2(!box.isEmpty(), program.readAllStandardError().constData());
  QVERIFY(!x.Screenshot(QStringLiteral("realdisplay-refused.png")).isNull());

  // The agent reads it and presses Enter.
  x.Run("xdotool", {QStringLiteral("windowfocus"), QStringLiteral("--sync"), box,
                    QStringLiteral("key"), QStringLiteral("Return")});
  QVERIFY2(program.waitForFinished(kWaitMs), "the program did not end after the message");
  const QByteArray errors = program.readAllStandardError();
  QVERIFY2(program.exitStatus() == QProcess::NormalExit, errors.constData());
  QVERIFY2(program.exitCode() != 0, errors.constData());
  QCOMPARE(FileBytes(env.DbPath()), bytes);
}

QTEST_MAIN(TestRealDisplay)
#include "tst_realdisplay.moc"
