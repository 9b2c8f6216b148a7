// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ParamsCommand.h"

#include "cli/CliSession.h"
#include "cli/CliSupport.h"
#include "device/ParameterTransfer.h"
#include "device/QeroParamsEditor.h"

#include <QCommandLineParser>
#include <QLocale>

#include <cmath>

namespace {

void print(QTextStream& out, const QeroParamsEditor::Texts& t) {
    out << "Data Logging Interval (0.1-1.0 sec): " << t.interval << Qt::endl
        << "RPM Pulses/Rev (0.5-12): " << t.pulses << Qt::endl
        << "RPM Debounce (0.1-9.9 msec): " << t.debounce << Qt::endl
        << "Minimum LED Brightness (5-100%): " << t.brightness << Qt::endl;
}

} // namespace

int runParamsCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    QCommandLineParser parser;
    const QCommandLineOption portOpt(QStringLiteral("port"),
                                     QStringLiteral("port number (3 for Com3) or device path"),
                                     QStringLiteral("PORT"));
    const QCommandLineOption setOpt(
        QStringLiteral("set"),
        QStringLiteral("a new value: interval=SECONDS (0.1-1.0), pulses=N (0.5-12), "
                       "debounce=MS (0.1-9.9) or brightness=PERCENT (5-100); repeatable"),
        QStringLiteral("NAME=VALUE"));
    const QCommandLineOption helpOpt({QStringLiteral("h"), QStringLiteral("help")},
                                     QStringLiteral("show this help"));
    parser.addOptions({portOpt, setOpt, helpOpt});

    const QString usage =
        QStringLiteral("usage: qero4d-cli params --port PORT [--set interval=S] [--set pulses=N] "
                       "[--set debounce=MS] [--set brightness=PCT]");
    if (!parser.parse(QStringList{QStringLiteral("params")} + args)) {
        err << parser.errorText() << Qt::endl << usage << Qt::endl;
        return 2;
    }
    if (parser.isSet(helpOpt)) {
        out << usage << Qt::endl
            << Qt::endl
            << QStringLiteral("Without --set, shows the module's parameters. With --set, the "
                              "values not named\nkeep what the module holds; all four are "
                              "written and read back.\n\n")
            << parser.helpText().section(QStringLiteral("\n\n"), 1) << Qt::flush;
        return 0;
    }
    if (!parser.positionalArguments().isEmpty() || !parser.isSet(portOpt)) {
        err << usage << Qt::endl;
        return 2;
    }
    const QStringList names{QStringLiteral("interval"), QStringLiteral("pulses"),
                            QStringLiteral("debounce"), QStringLiteral("brightness")};
    QList<std::pair<int, QString>> changes;
    for (const QString& s : parser.values(setOpt)) {
        const qsizetype eq = s.indexOf(u'=');
        const int which = eq < 0 ? -1 : int(names.indexOf(s.left(eq).trimmed().toLower()));
        if (which < 0) {
            err << "--set " << s
                << ": expected interval=, pulses=, debounce= or brightness=" << Qt::endl;
            return 2;
        }
        // The panel reads the leading number of what is typed, so "abc" would become 0
        // and be clamped to the least value: a typing slip must not reach the module.
        const QString value = s.mid(eq + 1);
        QString problem;
        if (!CliSupport::numberOption(QStringLiteral("--set ") + s.left(eq).trimmed(), value,
                                      -CliSupport::kAnyNumber, CliSupport::kAnyNumber, &problem)) {
            err << problem << Qt::endl;
            return 2;
        }
        changes.append({which, value});
    }

    CliSession session(err);
    QString error;
    if (!session.usePort(parser.value(portOpt), &error)) {
        err << error << Qt::endl << usage << Qt::endl;
        return 2;
    }
    AppState& state = session.state();
    ParameterTransfer transfer(state.log, state.settings, session.settings(), session.protocol(),
                               session.prompter());
    QeroParamsEditor editor(state, session.settings(), session.prompter());

    // Start from what the module holds, so a value not named is written back unchanged.
    if (!transfer.cmdQEROParamsDownload_Click())
        return 1;
    if (changes.isEmpty()) {
        print(out, editor.texts());
        return 0;
    }
    for (const auto& [which, text] : changes) {
        switch (which) {
        case 0:
            editor.txtDataLogInterval_Validate(text);
            break;
        case 1:
            editor.txtPulsePerRev_Validate(text);
            break;
        case 2:
            editor.txtRPMDebounce_Validate(text);
            break;
        default:
            editor.txtMinLEDPWM_Validate(text);
            break;
        }
    }
    const QeroParamsEditor::Texts shown = editor.texts();
    if (!transfer.cmdQEROParamsUpload_Click())
        return 1;
    print(out, shown);
    return 0;
}
