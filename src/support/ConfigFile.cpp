// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ConfigFile.h"

#include "support/ErrorReport.h"
#include "support/QeroFailure.h"
#include "support/TextFile.h"

#include <QFile>
#include <QFileInfo>

namespace ConfigFile {

namespace {

QeroFailure malformed(const QString& why) {
    return QeroFailure(QStringLiteral("Configuration File"),
                       QStringLiteral("The configuration file %1 is damaged: %2")
                           .arg(QLatin1String(kFileName), why));
}

bool isSeparator(const QString& line) {
    return line.startsWith(u'!');
}

} // namespace

Lists defaults() {
    Lists l;
    l.list1 = {QStringLiteral("Brenwick"), QStringLiteral("Arial"), QStringLiteral("28"),
               QStringLiteral("bold italic"), QStringLiteral("Brenwick_Logo.gif")};
    l.list2 = {QStringLiteral("Brenwick"),
               QStringLiteral("Brenwick Engineering Inc."),
               QStringLiteral("2210 Industrial Parkway, Suite 4"),
               QStringLiteral("Kelowna, BC  V1X 7K6  Canada"),
               QStringLiteral("Phone: (250) 555-0142"),
               QStringLiteral("www.brenwick.com")};
    return l;
}

Lists parse(const QByteArray& content) {
    QStringList lines = TextFile::splitLines(TextFile::decode(content));
    // The lines become window titles, printed headings and the trailer of every saved log:
    // a control character (a NUL cuts a title short, an escape sequence reaches a terminal)
    // is no part of a maker's name.
    for (QString& line : lines)
        line.removeIf([](QChar c) { return c.category() == QChar::Other_Control && c != u'\t'; });
    qsizetype i = 0;
    while (i < lines.size() && isSeparator(lines[i]))
        ++i;

    Lists l;
    while (i < lines.size() && !isSeparator(lines[i]))
        l.list1.append(lines[i++]);
    if (i >= lines.size())
        throw malformed(QStringLiteral("the first section is not closed by a line starting "
                                       "with \"!\"."));
    if (l.list1.size() < 5)
        throw malformed(QStringLiteral("the first section needs five lines (company name, "
                                       "font, size, style and logo file) but has %1.")
                            .arg(l.list1.size()));
    ++i;
    while (i < lines.size() && !isSeparator(lines[i]))
        l.list2.append(lines[i++]);
    if (i >= lines.size())
        throw malformed(QStringLiteral("the second section is not closed by a line starting "
                                       "with \"!\"."));
    if (l.list2.isEmpty())
        throw malformed(QStringLiteral("the second section is empty."));
    ++i;
    while (i < lines.size() && !isSeparator(lines[i]))
        l.list3.append(lines[i++]);
    return l;
}

QByteArray read(const QString& path) {
    const QFileInfo info(path);
    const auto refused = [&](const QString& why) {
        return QeroFailure(QStringLiteral("Configuration File"),
                           QStringLiteral("Cannot read %1: %2").arg(path, why));
    };
    // isFile() follows a link: a link to a regular file is read as the file.
    if (info.exists() && !info.isFile())
        throw refused(QStringLiteral("it is not a regular file."));
    if (info.size() > kMaxFileBytes)
        throw refused(QStringLiteral("it holds %1 bytes, more than the %2 a configuration "
                                     "file may hold.")
                          .arg(info.size())
                          .arg(kMaxFileBytes));
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw refused(f.errorString());
    // Read no further than the limit, should the file grow while it is read.
    return f.read(kMaxFileBytes + 1).left(kMaxFileBytes);
}

void load(SettingsValues& settings, Prompter& prompter, const QString& path) {
    Lists lists = defaults();
    if (QFileInfo::exists(path)) {
        const ErrorReport::StepResult r =
            ErrorReport::runStep(prompter, [&] { lists = parse(read(path)); });
        if (r != ErrorReport::StepResult::Done)
            lists = defaults();
    }
    settings.ConfigList1 = lists.list1;
    settings.ConfigList2 = lists.list2;
    settings.ConfigList3 = lists.list3;
}

} // namespace ConfigFile
