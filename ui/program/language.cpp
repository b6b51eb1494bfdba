#include "ui/program/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>
#include <vector>

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);
const QLocale kTraditional(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan);

QLocale g_locale = kEnglish;
std::vector<std::unique_ptr<QTranslator>> g_translators;

// Taiwan, Hong Kong and Macao write Traditional Chinese, as does any "zh_Hant".
bool Traditional(const QLocale& locale) {
  return locale.language() == QLocale::Chinese &&
         (locale.script() == QLocale::TraditionalChineseScript ||
          locale.territory() == QLocale::Taiwan || locale.territory() == QLocale::HongKong ||
          locale.territory() == QLocale::Macao);
}

// The first language of the user's list that the program knows decides; a language it has no
// translation for is passed over, English and Simplified Chinese keep the source texts.
QLocale Wanted() {
  const QString forced = qEnvironmentVariable("QEL_LANGUAGE");
  const QStringList names =
      forced.isEmpty() ? QLocale::system().uiLanguages() : QStringList{forced};
  for (const QString& name : names) {
    const QLocale locale(name);
    if (Traditional(locale)) return kTraditional;
    if (locale.language() == QLocale::English || locale.language() == QLocale::Chinese) break;
  }
  return kEnglish;
}

}  // namespace

void InstallTranslations() {
  for (const std::unique_ptr<QTranslator>& translator : g_translators)
    QCoreApplication::removeTranslator(translator.get());
  g_translators.clear();
  g_locale = Wanted();
  if (g_locale == kEnglish) return;
  const std::pair<QString, QString> files[] = {
      {QStringLiteral("qel_zh_TW"), QStringLiteral(":/i18n")},
      {QStringLiteral("qtbase_zh_TW"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)}};
  for (const auto& [file, folder] : files) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(file, folder)) continue;
    QCoreApplication::installTranslator(translator.get());
    g_translators.push_back(std::move(translator));
  }
}

QLocale UiLocale() {
  return g_locale;
}
