#include "cli/ConsolePrompter.h"

#include <QTextStream>

ConsolePrompter::ConsolePrompter(QTextStream& diagnostics) : m_out(diagnostics) {}

Prompter::Button ConsolePrompter::message(const QString& text, const QString& title, Icon,
                                          Buttons buttons) {
    QString line = text.trimmed();
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(u'\n', u' ');
    m_out << title << ": " << line << Qt::endl;
    if (buttons & Abort)
        return Abort;
    if (buttons & Cancel)
        return buttons & Retry ? Cancel : (buttons & Ok ? Ok : Cancel);
    if (buttons & No)
        return No;
    return Ok;
}

std::optional<QString> ConsolePrompter::input(const QString& prompt, const QString& title,
                                              const QString&) {
    m_out << title << ": " << prompt << " (no answer on the command line)" << Qt::endl;
    return std::nullopt;
}

QString ConsolePrompter::openFileName(const QString&, const QString&, const QString&) {
    return QString();
}

QString ConsolePrompter::saveFileName(const QString&, const QString&, const QString&) {
    return QString();
}
