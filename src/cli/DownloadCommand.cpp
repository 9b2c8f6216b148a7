// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/DownloadCommand.h"

#include "cli/CliSession.h"
#include "cli/CliSupport.h"
#include "device/DownloadCommand.h"
#include "device/ProgressReport.h"
#include "logdata/LogFileWriter.h"
#include "support/ErrorReport.h"
#include "support/SafeWrite.h"

#include <QCommandLineParser>
#include <QDateTime>
#include <QDir>

namespace {

// The progress panel as one line on the error stream, rewritten in place.
class TerminalProgress : public ProgressReport {
public:
    explicit TerminalProgress(QTextStream& err) : m_err(err) {}
    void showProgress(const QString& caption) override {
        m_caption = caption;
        m_shown = true;
        m_last = -1;
    }
    void setProgress(int percent) override {
        if (!m_shown || percent == m_last)
            return;
        m_last = percent;
        m_err << '\r' << m_caption << ' ' << percent << '%' << Qt::flush;
    }
    void hideProgress() override { endLine(); }
    // A message ends the line for good; the read does not go on after one.
    void endLine() {
        if (m_shown && m_last >= 0)
            m_err << Qt::endl;
        m_shown = false;
    }

private:
    QTextStream& m_err;
    QString m_caption;
    bool m_shown = false;
    int m_last = -1;
};

// Ends a progress line before a message is printed, so a time-out report starts on a
// line of its own.
class ProgressAwarePrompter : public Prompter {
public:
    ProgressAwarePrompter(Prompter& inner, TerminalProgress& progress)
        : m_inner(inner), m_progress(progress) {}
    Button message(const QString& text, const QString& title, Icon icon, Buttons buttons) override {
        m_progress.endLine();
        return m_inner.message(text, title, icon, buttons);
    }
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override {
        return m_inner.input(prompt, title, defaultText);
    }
    QString openFileName(const QString& title, const QString& filter,
                         const QString& folder = QString()) override {
        return m_inner.openFileName(title, filter, folder);
    }
    QString saveFileName(const QString& title, const QString& filter,
                         const QString& folder = QString()) override {
        return m_inner.saveFileName(title, filter, folder);
    }

private:
    Prompter& m_inner;
    TerminalProgress& m_progress;
};

} // namespace

int runDownloadCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    QCommandLineParser parser;
    const QCommandLineOption portOpt(QStringLiteral("port"),
                                     QStringLiteral("port number (3 for Com3) or device path"),
                                     QStringLiteral("PORT"));
    const QCommandLineOption outOpt({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("the log file to write"),
                                    QStringLiteral("OUT.log"));
    const QCommandLineOption imageOpt(QStringLiteral("image"),
                                      QStringLiteral("also write the raw 65536-byte memory here"),
                                      QStringLiteral("IMAGE"));
    const QCommandLineOption commentOpt(QStringLiteral("comment"),
                                        QStringLiteral("a comment to record with the log"),
                                        QStringLiteral("TEXT"));
    const QCommandLineOption verifyOpt(
        QStringLiteral("verify"),
        QStringLiteral("read every block until two reads agree (for a noisy line; about 2.5 "
                       "times as long)"));
    const QCommandLineOption helpOpt({QStringLiteral("h"), QStringLiteral("help")},
                                     QStringLiteral("show this help"));
    parser.addOptions({portOpt, outOpt, imageOpt, commentOpt, verifyOpt, helpOpt});

    const QString usage = QStringLiteral("usage: qero4d-cli download --port PORT -o OUT.log "
                                         "[--image IMAGE] [--comment TEXT] [--verify]");
    if (!parser.parse(QStringList{QStringLiteral("download")} + args)) {
        err << parser.errorText() << Qt::endl << usage << Qt::endl;
        return 2;
    }
    if (parser.isSet(helpOpt)) {
        out << usage << Qt::endl
            << Qt::endl
            << QStringLiteral("Reads the module's whole memory (about 12 s), decodes the log and "
                              "writes it.\nCtrl-C stops the read; nothing is written then.\n\n")
            << parser.helpText().section(QStringLiteral("\n\n"), 1) << Qt::flush;
        return 0;
    }
    if (!parser.positionalArguments().isEmpty() || !parser.isSet(portOpt) ||
        !parser.isSet(outOpt)) {
        err << usage << Qt::endl;
        return 2;
    }

    // A folder that is missing is found before the 12-second read, not after it.
    for (const QString& target :
         {parser.value(outOpt), parser.isSet(imageOpt) ? parser.value(imageOpt) : QString()}) {
        QString problem;
        if (!target.isEmpty() && !CliSupport::outputFolderReady(target, &problem)) {
            err << "qero4d-cli download: " << problem << Qt::endl;
            return 1;
        }
    }

    CliSession session(err);
    // A damaged configuration file is found before the 12-second read, not after it.
    QString label;
    if (!session.makerLabel(&label))
        return 1;
    TerminalProgress progress(err);
    ProgressAwarePrompter prompter(session.console(), progress);
    session.setPrompter(prompter);
    QString error;
    if (!session.usePort(parser.value(portOpt), &error)) {
        err << error << Qt::endl << usage << Qt::endl;
        return 2;
    }

    DownloadCommand download(session.state(), session.protocol(), session.prompter(),
                             session.clock(), progress);
    download.verify = parser.isSet(verifyOpt);
    return downloadAndWrite(download,
                            {parser.value(outOpt),
                             parser.isSet(imageOpt) ? parser.value(imageOpt) : QString(),
                             parser.value(commentOpt), label},
                            out, err);
}

int downloadAndWrite(DownloadCommand& download, const DownloadOutputs& outputs, QTextStream& out,
                     QTextStream& err) {
    const bool ok = download.mnuDownload_Click();
    if (CliSession::interrupted()) {
        err << "Interrupted: nothing was written." << Qt::endl;
        return 130;
    }
    if (!ok)
        return 1;

    AppState& state = download.state();
    state.log.Comment = outputs.comment;
    const QByteArray raw(reinterpret_cast<const char*>(state.fram.FRAMBuffer.data()),
                         FramImage::kSize);
    bool imageSaved = false;
    try {
        if (!outputs.imagePath.isEmpty()) {
            SafeWrite::writeFile(outputs.imagePath, raw);
            imageSaved = true;
        }
        SafeWrite::writeFile(outputs.logPath, LogFileWriter::whole(state.log, outputs.makerLabel));
    } catch (...) {
        err << ErrorReport::describeCurrentException() << Qt::endl;
        // The read took its time and the module may be erased next: its memory is kept,
        // and where, so that decode can make the log of it later.
        QString kept = imageSaved ? outputs.imagePath : QString();
        if (kept.isEmpty()) {
            const QString spare = QDir(QDir::tempPath())
                                      .filePath(QStringLiteral("qero4d-download-%1.fram")
                                                    .arg(QDateTime::currentDateTime().toString(
                                                        QStringLiteral("yyyyMMdd-HHmmss"))));
            try {
                SafeWrite::writeFile(spare, raw);
                kept = spare;
            } catch (...) {
                err << ErrorReport::describeCurrentException() << Qt::endl;
            }
        }
        if (!kept.isEmpty())
            err << "The module's memory is kept in " << kept << "; qero4d-cli decode " << kept
                << " -o LOG writes the log from it." << Qt::endl;
        return 1;
    }
    out << "Downloaded " << state.log.DownloadDate << Qt::endl;
    return 0;
}
