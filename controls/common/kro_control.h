// What both controls share: the twenty properties of their caption, contour, border and
// background, the stock caption, the extent, the modified flag, persistence through the property
// stream, and the properties verb.
#pragma once

#include "controls/common/gdi_paint.h"
#include "controls/common/ole_color.h"
#include "controls/common/property_stream.h"
#include "controls/common/text_layout.h"

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
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption NOTIFY CaptionChanged)
    Q_PROPERTY(QString TestoContenuto READ TestoContenuto WRITE SetTestoContenuto NOTIFY
                   TestoContenutoChanged)
    Q_PROPERTY(int AllOrizzontaleTesto READ AllOrizzontaleTesto WRITE SetAllOrizzontaleTesto NOTIFY
                   AllOrizzontaleTestoChanged)
    Q_PROPERTY(int AllVerticaleTesto READ AllVerticaleTesto WRITE SetAllVerticaleTesto NOTIFY
                   AllVerticaleTestoChanged)
    Q_PROPERTY(bool Bordo READ Bordo WRITE SetBordo NOTIFY BordoChanged)
    Q_PROPERTY(uint ColoreBordo READ ColoreBordo WRITE SetColoreBordo NOTIFY ColoreBordoChanged)
    Q_PROPERTY(int StileSfondo READ StileSfondo WRITE SetStileSfondo NOTIFY StileSfondoChanged)
    Q_PROPERTY(uint ColoreOpacoSfondo READ ColoreOpacoSfondo WRITE SetColoreOpacoSfondo NOTIFY
                   ColoreOpacoSfondoChanged)
    Q_PROPERTY(bool OrientamentoGrad READ OrientamentoGrad WRITE SetOrientamentoGrad NOTIFY
                   OrientamentoGradChanged)
    Q_PROPERTY(uint ColoreGradiente1 READ ColoreGradiente1 WRITE SetColoreGradiente1 NOTIFY
                   ColoreGradiente1Changed)
    Q_PROPERTY(uint ColoreGradiente2 READ ColoreGradiente2 WRITE SetColoreGradiente2 NOTIFY
                   ColoreGradiente2Changed)
    Q_PROPERTY(uint ColoreGradiente3 READ ColoreGradiente3 WRITE SetColoreGradiente3 NOTIFY
                   ColoreGradiente3Changed)
    Q_PROPERTY(QString FontName READ FontName WRITE SetFontName NOTIFY FontNameChanged)
    Q_PROPERTY(
        int DimensioneFont READ DimensioneFont WRITE SetDimensioneFont NOTIFY DimensioneFontChanged)
    Q_PROPERTY(uint ColoreTesto READ ColoreTesto WRITE SetColoreTesto NOTIFY ColoreTestoChanged)
    Q_PROPERTY(bool Italico READ Italico WRITE SetItalico NOTIFY ItalicoChanged)
    Q_PROPERTY(bool Sottolineato READ Sottolineato WRITE SetSottolineato NOTIFY SottolineatoChanged)
    Q_PROPERTY(bool Barrato READ Barrato WRITE SetBarrato NOTIFY BarratoChanged)
    Q_PROPERTY(int Bold READ Bold WRITE SetBold NOTIFY BoldChanged)
    Q_PROPERTY(int EffettoContorno READ EffettoContorno WRITE SetEffettoContorno NOTIFY
                   EffettoContornoChanged)
    Q_PROPERTY(int EffettoTesto READ EffettoTesto WRITE SetEffettoTesto NOTIFY EffettoTestoChanged)
    Q_PROPERTY(QString Text READ TestoContenuto WRITE SetText NOTIFY TestoContenutoChanged)
    Q_PROPERTY(
        QString WindowText READ TestoContenuto WRITE SetWindowText NOTIFY TestoContenutoChanged)

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

    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified = true) { modified_ = modified; }

    // Paints the control into `bounds` of `dc` (the control's own rectangle when it paints
    // itself).
    virtual void OnDraw(QPainter& dc, const QRect& bounds) = 0;

    // Hundredths of a millimetre per pixel at the platform's 96 dots per inch.
    static int PixelsToHimetric(int pixels);
    static int HimetricToPixels(int himetric);

    QString Caption() const { return caption_; }
    QString TestoContenuto() const { return testoContenuto_; }
    QString Text() const { return testoContenuto_; }
    QString WindowText() const { return testoContenuto_; }
    int AllOrizzontaleTesto() const { return allOrizzontaleTesto_; }
    int AllVerticaleTesto() const { return allVerticaleTesto_; }
    bool Bordo() const { return bordo_; }
    uint ColoreBordo() const { return coloreBordo_; }
    int StileSfondo() const { return stileSfondo_; }
    uint ColoreOpacoSfondo() const { return coloreOpacoSfondo_; }
    bool OrientamentoGrad() const { return orientamentoGrad_; }
    uint ColoreGradiente1() const { return coloreGradiente1_; }
    uint ColoreGradiente2() const { return coloreGradiente2_; }
    uint ColoreGradiente3() const { return coloreGradiente3_; }
    QString FontName() const { return fontName_; }
    int DimensioneFont() const { return dimensioneFont_; }
    uint ColoreTesto() const { return coloreTesto_; }
    bool Italico() const { return italico_; }
    bool Sottolineato() const { return sottolineato_; }
    bool Barrato() const { return barrato_; }
    int Bold() const { return bold_; }
    int EffettoContorno() const { return effettoContorno_; }
    int EffettoTesto() const { return effettoTesto_; }

    // A change of the stock caption copies the text into TestoContenuto; Text sets both, and so
    // does the button's WindowText.
    void SetCaption(const QString& caption);
    void SetText(const QString& text) { SetCaption(text); }
    virtual void SetWindowText(const QString& text) { SetCaption(text); }
    void SetTestoContenuto(const QString& v)
    {
        Change(testoContenuto_, v, &CKroControl::TestoContenutoChanged);
    }
    void SetAllOrizzontaleTesto(int v)
    {
        Change(allOrizzontaleTesto_, v, &CKroControl::AllOrizzontaleTestoChanged);
    }
    void SetAllVerticaleTesto(int v)
    {
        Change(allVerticaleTesto_, v, &CKroControl::AllVerticaleTestoChanged);
    }
    void SetBordo(bool v) { Change(bordo_, v, &CKroControl::BordoChanged); }
    void SetColoreBordo(uint v) { Change(coloreBordo_, v, &CKroControl::ColoreBordoChanged); }
    void SetStileSfondo(int v) { Change(stileSfondo_, v, &CKroControl::StileSfondoChanged); }
    void SetColoreOpacoSfondo(uint v)
    {
        Change(coloreOpacoSfondo_, v, &CKroControl::ColoreOpacoSfondoChanged);
    }
    void SetOrientamentoGrad(bool v)
    {
        Change(orientamentoGrad_, v, &CKroControl::OrientamentoGradChanged);
    }
    void SetColoreGradiente1(uint v)
    {
        Change(coloreGradiente1_, v, &CKroControl::ColoreGradiente1Changed);
    }
    void SetColoreGradiente2(uint v)
    {
        Change(coloreGradiente2_, v, &CKroControl::ColoreGradiente2Changed);
    }
    void SetColoreGradiente3(uint v)
    {
        Change(coloreGradiente3_, v, &CKroControl::ColoreGradiente3Changed);
    }
    void SetFontName(const QString& v) { Change(fontName_, v, &CKroControl::FontNameChanged); }
    void SetDimensioneFont(int v)
    {
        Change(dimensioneFont_, v, &CKroControl::DimensioneFontChanged);
    }
    void SetColoreTesto(uint v) { Change(coloreTesto_, v, &CKroControl::ColoreTestoChanged); }
    void SetItalico(bool v) { Change(italico_, v, &CKroControl::ItalicoChanged); }
    void SetSottolineato(bool v) { Change(sottolineato_, v, &CKroControl::SottolineatoChanged); }
    void SetBarrato(bool v) { Change(barrato_, v, &CKroControl::BarratoChanged); }
    void SetBold(int v) { Change(bold_, v, &CKroControl::BoldChanged); }
    void SetEffettoContorno(int v)
    {
        Change(effettoContorno_, v, &CKroControl::EffettoContornoChanged);
    }
    void SetEffettoTesto(int v) { Change(effettoTesto_, v, &CKroControl::EffettoTestoChanged); }

signals:
    void CaptionChanged(const QString& caption);
    void TestoContenutoChanged(const QString& text);
    void AllOrizzontaleTestoChanged(int value);
    void AllVerticaleTestoChanged(int value);
    void BordoChanged(bool value);
    void ColoreBordoChanged(uint color);
    void StileSfondoChanged(int value);
    void ColoreOpacoSfondoChanged(uint color);
    void OrientamentoGradChanged(bool value);
    void ColoreGradiente1Changed(uint color);
    void ColoreGradiente2Changed(uint color);
    void ColoreGradiente3Changed(uint color);
    void FontNameChanged(const QString& face);
    void DimensioneFontChanged(int height);
    void ColoreTestoChanged(uint color);
    void ItalicoChanged(bool value);
    void SottolineatoChanged(bool value);
    void BarratoChanged(bool value);
    void BoldChanged(int weight);
    void EffettoContornoChanged(int value);
    void EffettoTestoChanged(int value);

protected:
    // The four shared properties whose defaults differ between the controls.
    struct SharedDefaults
    {
        const char* testoContenuto;
        int allOrizzontaleTesto;
        int allVerticaleTesto;
        int effettoContorno;
    };
    // The shared properties in exchange order, TestoContenuto first; a control appends its own.
    static QList<PropSpec> SharedSpecs(const SharedDefaults& defaults);
    // Dispatch entries for `specs` in their order: the first gets `firstId`, the others count up
    // from `nextId`.
    static QList<DispEntry> PropertyEntries(const QList<PropSpec>& specs, int firstId, int nextId);

    virtual const QList<PropSpec>& PropertySpecs() const = 0;
    virtual std::uint32_t StockMask() const = 0;
    // Called after every exchange (load, save, reset), once the stock caption is TestoContenuto.
    virtual void AfterExchange() {}
    // The pages of the property sheet, in the control's order.
    virtual QList<CKroPropertyPage*> CreatePropertyPages() = 0;
    virtual QString TypeName() const = 0;

    // What the properties paint: the background, and the caption's font.
    BackgroundStyle Background() const;
    ControlFont CaptionFont() const;

    // Stores a value, repaints, marks the control modified and, when the stored value is a new
    // one, emits `notify` with it. A short property keeps the low 16 bits, as it is stored.
    template <typename Field, typename Value, typename Owner, typename Arg>
    void Change(Field& field, const Value& value, void (Owner::*notify)(Arg))
    {
        const Field stored = static_cast<Field>(value);
        const bool changed = !(field == stored);
        field = stored;
        update();
        SetModifiedFlag();
        if (changed)
            emit(static_cast<Owner*>(this)->*notify)(field);
    }
    // TestoContenuto without marking the control modified (WindowText marks it itself).
    void StoreTestoContenuto(const QString& text);

    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    PropValues CurrentValues() const;
    void ApplyValues(const PropValues& values);
    void StoreCaption(const QString& caption);
    void FinishExchange();

    QString caption_;
    bool modified_ = false;
    std::int32_t extentX_ = 0;
    std::int32_t extentY_ = 0;

    // Defaults come from the control's specs through ResetToDefaults.
    QString testoContenuto_;
    qint16 allOrizzontaleTesto_ = 0;
    qint16 allVerticaleTesto_ = 0;
    bool bordo_ = false;
    uint coloreBordo_ = 0;
    qint16 stileSfondo_ = 0;
    uint coloreOpacoSfondo_ = 0;
    bool orientamentoGrad_ = false;
    uint coloreGradiente1_ = 0;
    uint coloreGradiente2_ = 0;
    uint coloreGradiente3_ = 0;
    QString fontName_;
    qint32 dimensioneFont_ = 0;
    uint coloreTesto_ = 0;
    bool italico_ = false;
    bool sottolineato_ = false;
    bool barrato_ = false;
    qint32 bold_ = 0;
    qint16 effettoContorno_ = 0;
    qint16 effettoTesto_ = 0;
};
