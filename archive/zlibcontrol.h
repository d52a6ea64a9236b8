#pragma once
// zLibControl: the archive engine as a control. It packs and unpacks containers through
// ZLibArchive and draws itself as a plain progress bar that the engine advances; its
// unexpected failures become the critical "错误：" message box of the desktop services.

#include "propertybag.h"
#include "zlibarchive.h"

#include <QFrame>

#include <cstdint>

namespace zeva {

class DesktopServices;

class zLibControl : public QFrame {
    Q_OBJECT
public:
    // Colours are the platform's 32-bit colour numbers: 0x00BBGGRR, or 0x800000nn for
    // the system colour nn (15 button face, 13 selection highlight, ...).
    static constexpr uint32_t DefaultBackColor = 0x8000000F;
    static constexpr uint32_t DefaultBarColor = 0x8000000D;
    static constexpr int32_t DefaultReadBuf = 65536;

    // `desktop` shows the failure message and lets events run while folders are made;
    // it must outlive the control (null: failures are only kept in engine().failure()).
    explicit zLibControl(DesktopServices *desktop, QWidget *parent = nullptr);
    ~zLibControl() override;

    // The archive members, in the system's order; texts are UTF-8 paths.
    uint32_t Calculate_Crc32(const QString &Filename);
    int16_t Compress(const QString &Filename, bool Overwrite = true, int32_t level = 6);
    int16_t Decompress(const QString &Filename, const QString &outputpath = {}, bool GetFileInfoOnly = false,
                       bool CheckCRC32 = true, bool DoubleCRC32 = false, bool SaveCorruptedFiles = true,
                       bool UsePaths = true, bool Overwrite = true);
    QString Original_Crc32(int32_t Index) const;
    QString Filename(int32_t Index) const;
    void setFilename(int32_t Index, const QString &value);
    QString Path(int32_t Index) const;
    QString Compressed_CRC32(int32_t Index) const;
    int32_t Compressed_Size(int32_t Index) const;
    int32_t FileSize(int32_t Index) const;
    int32_t ReadBuf() const;
    void setReadBuf(int32_t value);
    int32_t FileCount() const;
    bool RemoveFile(int32_t Index);
    bool AddFile(const QString &Filename, int32_t attrib = 0);

    // The display.
    uint32_t BackColor() const { return m_backColor; }
    void setBackColor(uint32_t colour);
    uint32_t BarColor() const { return m_barColor; }
    void setBarColor(uint32_t colour);
    bool Vertical() const { return m_vertical; }
    void setVertical(bool vertical);
    bool Flat() const { return m_appearance == 0; }
    void setFlat(bool flat);
    int Max() const { return m_engine.Max(); }
    void setMax(int value);
    int Value() const { return m_engine.Value(); }
    void setValue(int value);
    int minimum() const { return 0; }

    // Empties the entry table and sets Value to 0.
    void Reset();

    // A new instance placed on a form, a persisted one read back, and saving it.
    void InitProperties();
    void ReadProperties(const PropertyBag &bag);
    void WriteProperties(PropertyBag &bag) const;

    archive::ZLibArchive &engine() { return m_engine; }
    const archive::ZLibArchive &engine() const { return m_engine; }

signals:
    void Click();
    // A persisted property has a new value (the designer saves the form again).
    void propertyChanged(const QString &name);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void onProgress(int max, int value);
    void relayout();
    void redraw();

    archive::ZLibArchive m_engine;
    DesktopServices *m_desktop;
    uint32_t m_backColor = DefaultBackColor;
    uint32_t m_barColor = DefaultBarColor;
    bool m_vertical = false;
    int m_appearance = 1;   // 0 flat, 1 three-dimensional
    int m_shownMax = 100;
    int m_shownValue = 0;
};

} // namespace zeva
