// What both controls share as containers see them: the stock caption, the extent, the modified
// flag, persistence through the property stream, and the properties verb.
#pragma once

#include "controls/common/property_stream.h"

#include <QList>
#include <QWidget>

#include <cstdint>

class CKroPropertyPage;
class CKroPropertySheet;

// One member of a control's dispatch interface, in the type library's source order.
struct DispEntry
{
    int id;
    const char* name;
    const char* type; // automation type, or the result type of a method
    bool method = false;
    const char* parameters = ""; // "IUnknown* Bitmap"
};

class CKroControl : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    explicit CKroControl(QWidget* parent = nullptr);

    // Loads the properties from a stream. A stream that cannot be read leaves every property at
    // its default and returns false.
    Q_INVOKABLE bool LoadFromStream(const QByteArray& data);
    // Loads from a dialog's initialisation record: a 32-bit word, then the stream (bytes after
    // the stream are not read).
    Q_INVOKABLE bool LoadFromDialogInit(const QByteArray& record);
    Q_INVOKABLE QByteArray SaveToStream();
    // Sets every property to its default, as a new control gets them.
    Q_INVOKABLE void ResetToDefaults();
    // The properties verb: opens the control's property sheet (modal).
    Q_INVOKABLE void ShowProperties();
    // The property sheet of this control, for a host that shows it its own way.
    CKroPropertySheet* CreatePropertySheet(QWidget* parent);

    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);

    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified = true) { modified_ = modified; }

    // Paints the control into `bounds` of `dc` (the control's own rectangle when it paints
    // itself).
    virtual void OnDraw(QPainter& dc, const QRect& bounds) = 0;

    // Hundredths of a millimetre per pixel at the platform's 96 dots per inch.
    static int PixelsToHimetric(int pixels);
    static int HimetricToPixels(int himetric);

protected:
    virtual const QList<PropSpec>& PropertySpecs() const = 0;
    virtual std::uint32_t StockMask() const = 0;
    // Called after every exchange (load, save, reset).
    virtual void AfterExchange() = 0;
    // The caption changed through the stock property.
    virtual void OnCaptionChanged() = 0;
    // The pages of the property sheet, in the control's order.
    virtual QList<CKroPropertyPage*> CreatePropertyPages() = 0;
    virtual QString TypeName() const = 0;

    // Sets the stock caption without the change notification.
    void StoreCaption(const QString& caption) { caption_ = caption; }

    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    PropValues CurrentValues() const;
    void ApplyValues(const PropValues& values);

    QString caption_;
    bool modified_ = false;
    std::int32_t extentX_ = 0;
    std::int32_t extentY_ = 0;
};
