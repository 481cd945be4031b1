#pragma once

#include <QLocale>
#include <QStringList>
#include <QTranslator>

#include <memory>

// The languages the program composes its messages in. The source texts are English; the
// texts fixed by the window's design (its captions, title and two information messages) are
// never translated.
enum class TextLanguage {
    English,
    Chinese, // Simplified Chinese, for readers of every Chinese locale
};

// The language for a user who reads `uiLanguages`, most preferred first, in the form
// QLocale::uiLanguages gives them ("zh-CN", "en-US", "de"): the first of them the program
// speaks, English when it speaks none.
TextLanguage LanguageFor(const QStringList& uiLanguages);

// The program's own translation into `language`, ready to install; null for English, the
// language of the source texts.
std::unique_ptr<QTranslator> ProgramTranslator(TextLanguage language);

// Installs in the running application, for as long as it runs, the translations for the
// user's languages: the program's own and Qt's, for the texts Qt composes (a message box's
// button, a command line error), where Qt's translations are installed on the system.
void InstallTranslations(const QStringList& uiLanguages = QLocale::system().uiLanguages());
