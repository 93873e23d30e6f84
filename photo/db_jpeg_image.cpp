// The photo control's binding: following the data link, loading the field
// into the picture, and writing a changed picture back on post.
#include "photo/db_jpeg_image.h"

#include <QCoreApplication>

#include "controls/error_handler.h"
#include "dataset/dataset.h"
#include "dataset/dataset_errors.h"
#include "photo/flag_scope.h"
#include "photo/jpeg_stream_compressor.h"
#include "photo/jpeg_stream_decompressor.h"

namespace hollin::ui {

namespace {

constexpr const char* NotBlobField = "%s is not a Blob Field";

}  // namespace

TDBJPEGImage::TDBJPEGImage(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    m_link.OnDataChange = [this] { DataChange(); };
    m_link.OnActiveChange = [this] { ActiveChange(); };
    m_link.OnUpdateData = [this] { UpdateData(); };
    m_picture.OnChange = [this](TPicture&) { PictureChanged(); };
}

TDBJPEGImage::~TDBJPEGImage() {
    // The link may still report while it detaches; nothing is shown any more.
    m_link.OnDataChange = nullptr;
    m_link.OnActiveChange = nullptr;
    m_link.OnUpdateData = nullptr;
    m_picture.OnChange = nullptr;
    m_link.SetDataSource(nullptr);
}

// A fallback codec lives as long as the application object that owns it (a
// later need makes a new one); one made before the application exists has
// no owner and lives to the end of the program.
TJPEGStreamDecompressor& TDBJPEGImage::FallbackDecompressor() {
    static QPointer<TJPEGStreamDecompressor> codec;
    if (codec.isNull()) codec = new TJPEGFileDecompressor(QCoreApplication::instance());
    return *codec;
}

TJPEGStreamCompressor& TDBJPEGImage::FallbackCompressor() {
    static QPointer<TJPEGStreamCompressor> codec;
    if (codec.isNull()) codec = new TJPEGFileCompressor(QCoreApplication::instance());
    return *codec;
}

void TDBJPEGImage::SetDataSource(TDataSource* source) {
    {
        TFlagScope binding(m_binding);
        m_link.SetDataSource(source);
    }
    CheckBlobField();
}

void TDBJPEGImage::SetDataField(const std::string& name) {
    {
        TFlagScope binding(m_binding);
        m_link.SetFieldName(name);
    }
    CheckBlobField();
}

void TDBJPEGImage::SetReadOnly(bool value) {
    m_readOnly = value;
    m_link.SetReadOnly(value);
}

void TDBJPEGImage::SetAutoDisplay(bool value) {
    if (m_autoDisplay == value) return;
    m_autoDisplay = value;
    if (value) LoadPicture();
}

void TDBJPEGImage::SetJPEGCompressor(TJPEGStreamCompressor* compressor) { m_compressor = compressor; }

void TDBJPEGImage::SetJPEGDecompressor(TJPEGStreamDecompressor* decompressor) {
    m_decompressor = decompressor;
}

TJPEGStreamDecompressor& TDBJPEGImage::Decompressor() const {
    return m_decompressor ? *m_decompressor : FallbackDecompressor();
}

TJPEGStreamCompressor& TDBJPEGImage::Compressor() const {
    return m_compressor ? *m_compressor : FallbackCompressor();
}

TField* TDBJPEGImage::BlobField() const {
    TField* field = m_link.Field();
    return field != nullptr && field->IsBlob() ? field : nullptr;
}

void TDBJPEGImage::CheckBlobField() {
    const TField* field = m_link.Field();
    if (field == nullptr || field->IsBlob()) return;
    const std::string name = m_link.FieldName();
    m_link.SetFieldName(std::string());
    DatabaseErrorFmt(NotBlobField, {name});
}

void TDBJPEGImage::ActiveChange() {
    // Opening or closing the dataset has no caller to take the error.
    if (!m_binding) RunGuarded([this] { CheckBlobField(); });
}

void TDBJPEGImage::DataChange() {
    // Our own edit request re-reads the record: the new picture must stay.
    if (m_modifying) return;
    m_pictureLoaded = false;
    if (!m_autoDisplay) {
        TFlagScope loading(m_loading);
        m_picture.SetGraphic(nullptr);
    } else if (m_loading) {
        m_reloadRequested = true;
    } else {
        LoadPicture();
    }
}

void TDBJPEGImage::LoadPicture() {
    if (m_pictureLoaded || m_loading) return;
    std::exception_ptr failure;
    {
        TFlagScope loading(m_loading);
        try {
            TField* field = BlobField();
            if (field == nullptr || field->IsNull()) {
                m_reloadRequested = false;
                m_picture.SetGraphic(nullptr);
            } else {
                do {
                    m_reloadRequested = false;
                    DecodeField(*field);
                } while (m_reloadRequested);
            }
            m_pictureLoaded = true;
        } catch (...) {
            m_reloadRequested = false;
            failure = std::current_exception();
        }
    }
    // Shown here, not thrown: a load runs inside the dataset's move, which
    // must stay on the record it reached.
    if (failure) HandleException(failure);
}

void TDBJPEGImage::DecodeField(TField& field) {
    TMemoryStream memory;
    {
        std::unique_ptr<TStream> blob = field.DataSet()->CreateBlobStream(field, bmRead);
        memory.CopyFrom(*blob, 0);
    }
    if (memory.Size() == 0) {
        m_picture.SetGraphic(nullptr);
        return;
    }
    memory.SetPosition(0);
    Decompressor().DecompressToPicture(memory, &m_picture);
    m_orientation = ReadExifOrientation(memory.Bytes());
    m_cacheValid = false;
}

void TDBJPEGImage::UpdateData() {
    TField* field = BlobField();
    if (field == nullptr) return;
    if (m_picture.Empty()) {
        field->Clear();
        return;
    }
    // Compressed in memory first: a compression that fails leaves the stored
    // photo as it was. Loading the field reports its change.
    TMemoryStream jpeg;
    Compressor().CompressPicture(m_picture, jpeg);
    jpeg.SetPosition(0);
    field->LoadFromStream(jpeg);
}

void TDBJPEGImage::PictureChanged() {
    if (m_painting) return;
    // A change of the graphic itself (TBitmap::SetImage) counts too.
    if (TGraphic* graphic = m_picture.Graphic()) {
        graphic->OnChange = [this](TGraphic&) { PictureChanged(); };
    }
    m_cacheValid = false;
    update();
    if (m_loading) return;
    m_orientation = TExifOrientation::Normal;  // no longer the stored photo's pixels
    if (m_readOnly) {
        m_pictureLoaded = false;
        LoadPicture();
        return;
    }
    TFlagScope modifying(m_modifying);
    if (m_link.Edit()) m_link.Modified();
}

}  // namespace hollin::ui
