// SPDX-License-Identifier: GPL-3.0-or-later
#include "chart/PlotFiles.h"

#include "chart/ChartRenderer.h"
#include "chart/QCustomPlotHeader.h"
#include "support/FileChooser.h"
#include "support/Prompter.h"
#include "support/QeroFailure.h"
#include "support/SafeWrite.h"

#include <QFileInfo>

void PlotFiles::savePicture(Prompter& prompter, QCustomPlot& plot, SettingsStore* settings) {
    QString path = prompter.saveFileName(
        QStringLiteral("Save Picture"),
        QStringLiteral("PNG picture (*.png)|*.png|PDF document (*.pdf)|*.pdf"),
        FileChooser::startFolder(settings));
    if (path.isEmpty())
        return;
    FileChooser::rememberFolder(settings, path);
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".png");
    const std::optional<ChartRenderer::Format> format = ChartRenderer::formatOf(path);
    if (!format) {
        prompter.message(QStringLiteral("A picture is saved as a .png or a .pdf file."),
                         QStringLiteral("Save Picture"), Prompter::Icon::Exclamation, Prompter::Ok);
        return;
    }
    const QByteArray bytes = ChartRenderer::picture(plot, *format, plot.size());
    if (bytes.isEmpty())
        throw QeroFailure(QStringLiteral("Save Picture"),
                          QStringLiteral("The picture could not be drawn."));
    SafeWrite::writeFile(path, bytes);
}

void PlotFiles::exportData(Prompter& prompter, SettingsStore* settings,
                           const std::function<QByteArray()>& bytes) {
    QString path = prompter.saveFileName(QStringLiteral("Export Data"),
                                         QStringLiteral("CSV files (*.csv)|*.csv"),
                                         FileChooser::startFolder(settings));
    if (path.isEmpty())
        return;
    FileChooser::rememberFolder(settings, path);
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".csv");
    SafeWrite::writeFile(path, bytes());
}
