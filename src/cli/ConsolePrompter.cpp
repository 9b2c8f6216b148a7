// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ConsolePrompter.h"

#include "logdata/LogFileReader.h"

#include <QTextStream>

ConsolePrompter::ConsolePrompter(QTextStream& diagnostics) : m_out(diagnostics) {}

ConsolePrompter::~ConsolePrompter() {
    flushRepeats();
}

void ConsolePrompter::print(const QString& line) {
    const QString shown = LogFileReader::printable(line);
    if (shown == m_last) {
        ++m_repeats;
        return;
    }
    flushRepeats();
    m_out << shown << Qt::endl;
    m_last = shown;
}

void ConsolePrompter::flushRepeats() {
    if (m_repeats > 0)
        m_out << "(the line above "
              << (m_repeats == 1 ? QStringLiteral("once")
                                 : QStringLiteral("%1 times").arg(m_repeats))
              << " more)" << Qt::endl;
    m_repeats = 0;
}

Prompter::Button ConsolePrompter::message(const QString& text, const QString& title, Icon,
                                          Buttons buttons) {
    QString line = text.trimmed();
    line.replace(QLatin1String("\r\n"), QLatin1String(" "));
    line.replace(u'\n', u' ');
    print(title + QStringLiteral(": ") + line);
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
    print(title + QStringLiteral(": ") + prompt +
          QStringLiteral(" (no answer on the command line)"));
    return std::nullopt;
}

QString ConsolePrompter::openFileName(const QString&, const QString&, const QString&) {
    return QString();
}

QString ConsolePrompter::saveFileName(const QString&, const QString&, const QString&) {
    return QString();
}
