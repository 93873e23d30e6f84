// TDBJPEGImage: the image control bound to a blob field that holds the bytes
// of a JPEG file. It decodes the field into its picture whenever the record
// changes, paints the picture, and writes a picture changed through the
// control back as JPEG when the record is posted.
#pragma once

#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <string>

#include "dataset/field_data_link.h"
#include "photo/exif_orientation.h"
#include "photo/jpeg_stream_compressor.h"
#include "photo/jpeg_stream_decompressor.h"
#include "photo/picture.h"

namespace hollin {
class TDataSource;
class TField;
}  // namespace hollin

namespace hollin::ui {

class TDBJPEGImage : public QWidget {
    Q_OBJECT

public:
    explicit TDBJPEGImage(QWidget* parent = nullptr);
    ~TDBJPEGImage() override;

    // ---- binding. When the data source is destroyed the link lets go of it
    // and DataSource() turns null.
    TDataSource* DataSource() const { return m_link.DataSource(); }
    // Throws "%s is not a Blob Field" (EDatabaseError) when the open dataset's
    // DataField is not a blob field; DataField is then empty.
    void SetDataSource(TDataSource* source);
    const std::string& DataField() const { return m_link.FieldName(); }
    // The same check and exception as SetDataSource.
    void SetDataField(const std::string& name);
    // The bound field while the dataset is open and has it; null otherwise.
    TField* Field() const { return m_link.Field(); }

    // A read-only control puts back the field's picture whenever its own
    // picture is changed. Default false.
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool value);
    // Without AutoDisplay a data change only removes the picture; LoadPicture
    // shows it. Default true.
    bool AutoDisplay() const { return m_autoDisplay; }
    void SetAutoDisplay(bool value);
    // Stretch scales the picture to the whole client area, proportions not
    // kept; otherwise Center centres it at its own size (else top-left).
    bool Stretch() const { return m_stretch; }
    void SetStretch(bool value);
    bool Center() const { return m_center; }
    void SetCenter(bool value);

    // ---- codecs. None (or one that was destroyed) means the fallback codecs
    // that all such controls share (FallbackDecompressor/FallbackCompressor).
    TJPEGStreamCompressor* JPEGCompressor() const { return m_compressor; }
    void SetJPEGCompressor(TJPEGStreamCompressor* compressor);
    TJPEGStreamDecompressor* JPEGDecompressor() const { return m_decompressor; }
    void SetJPEGDecompressor(TJPEGStreamDecompressor* decompressor);
    // Made on first need with the application object as owner (or without an
    // owner before one exists), and kept for the rest of the program.
    static TJPEGStreamDecompressor& FallbackDecompressor();
    static TJPEGStreamCompressor& FallbackCompressor();

    // ---- the picture: a cache of the field. Setting a graphic through it
    // (Picture().SetGraphic) counts as a change through the control.
    TPicture& Picture() { return m_picture; }
    const TPicture& Picture() const { return m_picture; }
    // The picture as an image (empty without one), turned as the photo's
    // EXIF Orientation says: what painting and the clipboard use.
    QImage PictureImage() const;
    // The Orientation of the photo the picture was decoded from (Normal for
    // a picture changed through the control). The picture keeps the stored
    // pixels; only drawing turns them.
    TExifOrientation Orientation() const { return m_orientation; }

    // ---- state
    bool PictureLoaded() const { return m_pictureLoaded; }
    bool Loading() const { return m_loading; }
    bool Modifying() const { return m_modifying; }
    bool Painting() const { return m_painting; }
    bool ReloadRequested() const { return m_reloadRequested; }

    // Decodes the field into the picture unless it is loaded or a load runs.
    // A failure is shown by the application's error handler and the
    // previous picture stays; a truncated photo shows its decoded part.
    void LoadPicture();

    // ---- clipboard (also the standard Cut, Copy and Paste keys)
    void CutToClipboard();
    void CopyToClipboard();
    // Takes the clipboard's image, if it holds one.
    void PasteFromClipboard();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void DataChange();
    void ActiveChange();
    void UpdateData();
    void PictureChanged();
    // The bound field when it is a blob field, else null.
    TField* BlobField() const;
    // Throws "%s is not a Blob Field" after clearing DataField, when the
    // bound field is not a blob field.
    void CheckBlobField();
    void DecodeField(TField& field);
    TJPEGStreamDecompressor& Decompressor() const;
    TJPEGStreamCompressor& Compressor() const;
    // Where painting puts the picture, in client coordinates.
    QRect DestinationRect(QSize pictureSize) const;

    TFieldDataLink m_link;
    TPicture m_picture;
    QPointer<TJPEGStreamCompressor> m_compressor;
    QPointer<TJPEGStreamDecompressor> m_decompressor;
    bool m_readOnly = false;
    bool m_autoDisplay = true;
    bool m_stretch = false;
    bool m_center = false;

    bool m_pictureLoaded = false;
    bool m_loading = false;
    bool m_modifying = false;
    bool m_painting = false;
    bool m_reloadRequested = false;
    bool m_binding = false;  // a setter of ours checks the field itself
    TExifOrientation m_orientation = TExifOrientation::Normal;

    // The picture scaled for painting, made on the first paint after a change.
    QPixmap m_cache;
    bool m_cacheValid = false;
};

}  // namespace hollin::ui
