// SPDX-License-Identifier: GPL-3.0-or-later
#include "logdata/RecentFiles.h"

#include "support/SettingsStore.h"

#include <QFileInfo>

namespace {

QString absolute(const QString& path) {
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

QStringList RecentFiles::files() const {
    const QString text = m_store.value(kKey).value_or(QString());
    QStringList out;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        const QString path = line.trimmed();
        if (path.isEmpty() || out.contains(path))
            continue;
        out << path;
        if (out.size() == kMax)
            break;
    }
    return out;
}

void RecentFiles::add(const QString& path) {
    const QString full = absolute(path);
    QStringList list = files();
    list.removeAll(full);
    list.prepend(full);
    while (list.size() > kMax)
        list.removeLast();
    store(list);
}

void RecentFiles::remove(const QString& path) {
    QStringList list = files();
    if (list.removeAll(path) + list.removeAll(absolute(path)) > 0)
        store(list);
}

QString RecentFiles::caption(int index, const QString& path) {
    // The name alone keeps the menu narrow; the entry's tip gives the whole path. A '&'
    // in the name is doubled so that it shows instead of underlining the next letter.
    QString name = QFileInfo(path).fileName();
    name.replace(u'&', QStringLiteral("&&"));
    return u'&' + QString::number(index + 1) + u' ' + name;
}

void RecentFiles::store(const QStringList& list) {
    const QString text = list.join(u'\n');
    if (m_store.value(kKey).value_or(QString()) != text)
        m_store.setValue(kKey, text);
}
