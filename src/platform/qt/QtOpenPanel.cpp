// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtOpenPanel.h"

#include <QFileDialog>

QtOpenPanel::QtOpenPanel()
    : mDialog(new QFileDialog)
{
}

QtOpenPanel::~QtOpenPanel()
{
    mDialog->disconnect();
    mDialog->hide();
    mDialog->deleteLater();
}

void QtOpenPanel::beginForDirectory(const std::string& directory, Completion didEnd)
{
    if (mDirectories && !mFiles) {
        mDialog->setFileMode(QFileDialog::Directory);
        mDialog->setOption(QFileDialog::ShowDirsOnly);
    } else {
        mDialog->setFileMode(mMultiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    }
    mDialog->setDirectory(QString::fromStdString(directory));
    QObject::connect(mDialog, &QDialog::finished, [this, didEnd = std::move(didEnd)](int result) {
        didEnd(*this, result == QDialog::Accepted ? OKButton : CancelButton);
    });
    mDialog->show();
}

std::vector<std::string> QtOpenPanel::filenames() const
{
    std::vector<std::string> paths;
    if (mDialog->result() != QDialog::Accepted)
        return paths;
    for (const QString& path : mDialog->selectedFiles())
        paths.push_back(path.toStdString());
    return paths;
}

void QtOpenPanel::orderOut()
{
    mDialog->hide();
}
