// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ConsolePrompter.h"
#include "cli/FuelCommand.h"
#include "cli/IdCommand.h"

#include <QtTest>

class tst_devicecli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void help();
    void wrongUsage_data();
    void wrongUsage();
    void consoleLines_data();
    void consoleLines();
    void portGivenAsAPathIsNamedOnce();
};

void tst_devicecli::help() {
    QString o, e;
    QTextStream out(&o), err(&e);
    QCOMPARE(runIdCommand({QStringLiteral("--help")}, out, err), 0);
    QVERIFY(o.contains(QLatin1String("qero4d-cli id --port PORT")));
    o.clear();
    QCOMPARE(runFuelCommand({QStringLiteral("--help")}, out, err), 0);
    QVERIFY(o.contains(QLatin1String("--fuel NAME | --user NAME --ratio R")));
    QVERIFY(e.isEmpty());
}

void tst_devicecli::wrongUsage_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("says");
    QTest::newRow("id without port") << "id" << QStringList{} << "Usage";
    QTest::newRow("id port 0") << "id" << QStringList{"--port", "0"} << "neither a device";
    QTest::newRow("id port 256") << "id" << QStringList{"--port", "256"} << "neither a device";
    QTest::newRow("id extra") << "id" << QStringList{"--port", "3", "x"} << "Usage";
    QTest::newRow("fuel without fuel") << "fuel" << QStringList{"--port", "1"} << "give --fuel";
    QTest::newRow("fuel unknown") << "fuel" << QStringList{"--port", "1", "--fuel", "diesel"}
                                  << "unknown fuel";
    QTest::newRow("fuel both") << "fuel"
                               << QStringList{"--port", "1", "--fuel", "E85", "--ratio", "9"}
                               << "either";
    QTest::newRow("ratio too low")
        << "fuel" << QStringList{"--port", "1", "--user", "A", "--ratio", "0.5"} << "from 1 to 20";
    QTest::newRow("ratio not a number")
        << "fuel" << QStringList{"--port", "1", "--user", "A", "--ratio", "abc"} << "from 1 to 20";
    // Refused by the usage check, before the port is opened.
    for (const char* ratio : {"nan", "inf", "-inf", "1e400", " "})
        QTest::newRow(qPrintable(QStringLiteral("ratio \"%1\"").arg(QLatin1String(ratio))))
            << "fuel" << QStringList{"--port", "1", "--user", "A", "--ratio", ratio}
            << "--ratio: \"";
    QTest::newRow("user without ratio")
        << "fuel" << QStringList{"--port", "1", "--user", "A"} << "give --fuel";
    QTest::newRow("value missing")
        << "fuel" << QStringList{"--port", "1", "--fuel"} << "missing its value";
}

void tst_devicecli::wrongUsage() {
    QFETCH(QString, command);
    QFETCH(QStringList, args);
    QFETCH(QString, says);
    QString o, e;
    QTextStream out(&o), err(&e);
    const int rc = command == u"id" ? runIdCommand(args, out, err) : runFuelCommand(args, out, err);
    QCOMPARE(rc, 2);
    QVERIFY2(e.contains(says), qPrintable(e));
    QVERIFY(o.isEmpty());
}

void tst_devicecli::consoleLines_data() {
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("printed");
    QTest::newRow("one") << QStringList{"RS-232 timeout."} << "E: RS-232 timeout.\n";
    QTest::newRow("repeated") << QStringList{"A", "A", "A", "B", "B", "A"}
                              << "E: A\n(the line above 2 times more)\nE: B\n"
                                 "(the line above once more)\nE: A\n";
    QTest::newRow("escape, bell and NUL from a module's ID")
        << QStringList{QStringLiteral("ID \x1b[2J\x07") + QChar(0) + QStringLiteral("end")}
        << "E: ID \\x1b[2J\\x07\\x00end\n";
    QTest::newRow("line breaks become blanks")
        << QStringList{"one\r\ntwo\nthree"} << "E: one two three\n";
}

// Every message box of a command reaches the terminal escaped, and a message the steps
// repeat word for word is printed once with its count.
void tst_devicecli::consoleLines() {
    QFETCH(QStringList, messages);
    QFETCH(QString, printed);
    QString text;
    {
        QTextStream s(&text);
        ConsolePrompter p(s);
        for (const QString& m : messages)
            QCOMPARE(p.message(m, QStringLiteral("E"), Prompter::Icon::Critical, Prompter::Ok),
                     Prompter::Ok);
    }
    QCOMPARE(text, printed);
}

void tst_devicecli::portGivenAsAPathIsNamedOnce() {
    QString o, e;
    QTextStream out(&o), err(&e);
    const QString path = QStringLiteral("/nonexistent/qero");
    QCOMPARE(runIdCommand({QStringLiteral("--port"), path}, out, err), 1);
    err.flush();
    QCOMPARE(e.count(QStringLiteral("Cannot open ") + path + QStringLiteral(": ")), 1);
    QVERIFY2(!e.contains(QLatin1String("Com1")), qPrintable(e));
}

QTEST_GUILESS_MAIN(tst_devicecli)
#include "tst_devicecli.moc"
