// File dialogs through one function; an optional picture preview beside the
// file list for the photo command.
#include "controls/file_dialog.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <deque>

#include "controls/message_box.h"

namespace hollin::ui {
namespace {

struct Seam {
    std::deque<std::optional<std::string>> answers;
    std::vector<TFileDialogRequest> requests;
};

Seam& seam() {
    static Seam instance;
    return instance;
}

// Shows a scaled copy of the picture under the cursor of the file list.
void AddPicturePreview(QFileDialog& dialog) {
    auto* layout = qobject_cast<QGridLayout*>(dialog.layout());
    if (layout == nullptr) return;
    auto* preview = new QLabel(&dialog);
    preview->setObjectName(QStringLiteral("picturePreview"));
    preview->setFixedSize(160, 160);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameShape(QFrame::Box);
    layout->addWidget(preview, 0, layout->columnCount(), layout->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview, [preview](const QString& path) {
        QImageReader reader(path);
        QSize size = reader.size();
        if (size.isValid()) {
            reader.setScaledSize(size.scaled(preview->size(), Qt::KeepAspectRatio));
        }
        QImage image = reader.read();
        if (image.isNull()) {
            preview->clear();
        } else {
            preview->setPixmap(QPixmap::fromImage(image));
        }
    });
}

}  // namespace

std::optional<std::string> RunFileDialog(const TFileDialogRequest& request, QWidget* parent) {
    if (TestMode()) {
        seam().requests.push_back(request);
        if (seam().answers.empty()) return std::nullopt;
        std::optional<std::string> answer = seam().answers.front();
        seam().answers.pop_front();
        return answer;
    }
    QFileDialog dialog(parent, QString::fromStdString(request.caption));
    dialog.setNameFilter(QString::fromStdString(request.filter));
    if (request.kind == TFileDialogRequest::Kind::SaveFile) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!request.defaultName.empty()) dialog.selectFile(QString::fromStdString(request.defaultName));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        if (!request.defaultName.empty()) dialog.setDirectory(QString::fromStdString(request.defaultName));
    }
    if (request.picturePreview) {
        // The preview needs Qt's own dialog: a native one cannot be extended.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        AddPicturePreview(dialog);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

void SetNextFileAnswer(std::optional<std::string> path) { seam().answers.push_back(std::move(path)); }

std::vector<TFileDialogRequest> TakeFileRequests() {
    std::vector<TFileDialogRequest> out;
    out.swap(seam().requests);
    return out;
}

}  // namespace hollin::ui
