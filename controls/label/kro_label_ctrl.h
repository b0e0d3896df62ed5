// The custom-drawn label CKroLabelCtrl: the button's drawing without focus, pressed or disabled
// looks, its own property ids and defaults, and the three stock events.
#pragma once

#include "controls/common/kro_control.h"
#include "controls/common/ole_color.h"

class CKroLabelCtrl : public CKroControl
{
    Q_OBJECT
    Q_PROPERTY(QString TestoContenuto READ TestoContenuto WRITE SetTestoContenuto)
    Q_PROPERTY(int AllOrizzontaleTesto READ AllOrizzontaleTesto WRITE SetAllOrizzontaleTesto)
    Q_PROPERTY(int AllVerticaleTesto READ AllVerticaleTesto WRITE SetAllVerticaleTesto)
    Q_PROPERTY(bool Bordo READ Bordo WRITE SetBordo)
    Q_PROPERTY(uint ColoreBordo READ ColoreBordo WRITE SetColoreBordo)
    Q_PROPERTY(int StileSfondo READ StileSfondo WRITE SetStileSfondo)
    Q_PROPERTY(uint ColoreOpacoSfondo READ ColoreOpacoSfondo WRITE SetColoreOpacoSfondo)
    Q_PROPERTY(bool OrientamentoGrad READ OrientamentoGrad WRITE SetOrientamentoGrad)
    Q_PROPERTY(uint ColoreGradiente1 READ ColoreGradiente1 WRITE SetColoreGradiente1)
    Q_PROPERTY(uint ColoreGradiente2 READ ColoreGradiente2 WRITE SetColoreGradiente2)
    Q_PROPERTY(uint ColoreGradiente3 READ ColoreGradiente3 WRITE SetColoreGradiente3)
    Q_PROPERTY(QString FontName READ FontName WRITE SetFontName)
    Q_PROPERTY(int DimensioneFont READ DimensioneFont WRITE SetDimensioneFont)
    Q_PROPERTY(uint ColoreTesto READ ColoreTesto WRITE SetColoreTesto)
    Q_PROPERTY(bool Italico READ Italico WRITE SetItalico)
    Q_PROPERTY(bool Sottolineato READ Sottolineato WRITE SetSottolineato)
    Q_PROPERTY(bool Barrato READ Barrato WRITE SetBarrato)
    Q_PROPERTY(int Bold READ Bold WRITE SetBold)
    Q_PROPERTY(int EffettoContorno READ EffettoContorno WRITE SetEffettoContorno)
    Q_PROPERTY(int EffettoTesto READ EffettoTesto WRITE SetEffettoTesto)
    Q_PROPERTY(QString WindowText READ WindowText WRITE SetWindowText)
    Q_PROPERTY(QString Text READ Text WRITE SetText)

public:
    static constexpr const char* kClassId = "{3A7ECCC5-1227-11D4-B319-0000B45078DC}";
    static constexpr const char* kProgId = "KROLABEL.KroLabelCtrl.1";

    explicit CKroLabelCtrl(QWidget* parent = nullptr);

    static const QList<PropSpec>& Specs();
    static const QList<DispEntry>& DispatchTable();
    static const QList<DispEntry>& EventTable();

    void OnDraw(QPainter& dc, const QRect& bounds) override;

    QString TestoContenuto() const { return testoContenuto_; }
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
    QString WindowText() const { return testoContenuto_; }
    QString Text() const { return testoContenuto_; }

    void SetTestoContenuto(const QString& v) { Change(testoContenuto_, v); }
    void SetAllOrizzontaleTesto(int v) { Change(allOrizzontaleTesto_, qint16(v)); }
    void SetAllVerticaleTesto(int v) { Change(allVerticaleTesto_, qint16(v)); }
    void SetBordo(bool v) { Change(bordo_, v); }
    void SetColoreBordo(uint v) { Change(coloreBordo_, v); }
    void SetStileSfondo(int v) { Change(stileSfondo_, qint16(v)); }
    void SetColoreOpacoSfondo(uint v) { Change(coloreOpacoSfondo_, v); }
    void SetOrientamentoGrad(bool v) { Change(orientamentoGrad_, v); }
    void SetColoreGradiente1(uint v) { Change(coloreGradiente1_, v); }
    void SetColoreGradiente2(uint v) { Change(coloreGradiente2_, v); }
    void SetColoreGradiente3(uint v) { Change(coloreGradiente3_, v); }
    void SetFontName(const QString& v) { Change(fontName_, v); }
    void SetDimensioneFont(int v) { Change(dimensioneFont_, v); }
    void SetColoreTesto(uint v) { Change(coloreTesto_, v); }
    void SetItalico(bool v) { Change(italico_, v); }
    void SetSottolineato(bool v) { Change(sottolineato_, v); }
    void SetBarrato(bool v) { Change(barrato_, v); }
    void SetBold(int v) { Change(bold_, v); }
    void SetEffettoContorno(int v) { Change(effettoContorno_, qint16(v)); }
    void SetEffettoTesto(int v) { Change(effettoTesto_, qint16(v)); }
    // Changes the drawn text but not the stock caption.
    void SetWindowText(const QString& text);
    // Changes the drawn text and the stock caption.
    void SetText(const QString& text);

signals:
    void Click();
    void DblClick();
    void MouseMove(short Button, short Shift, int x, int y);

protected:
    const QList<PropSpec>& PropertySpecs() const override { return Specs(); }
    std::uint32_t StockMask() const override { return StockProp::Caption; }
    void AfterExchange() override { StoreCaption(testoContenuto_); }
    void OnCaptionChanged() override;
    QList<CKroPropertyPage*> CreatePropertyPages() override;
    QString TypeName() const override;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    template <typename T> void Change(T& field, const T& value)
    {
        field = value;
        update();
        SetModifiedFlag();
    }

    int buttonState_ = 0;
    bool doubleClicked_ = false;

    QString testoContenuto_ = QStringLiteral("Testo Contenuto");
    qint16 allOrizzontaleTesto_ = 0;
    qint16 allVerticaleTesto_ = 0;
    bool bordo_ = false;
    uint coloreBordo_ = 0x000000;
    qint16 stileSfondo_ = 0;
    uint coloreOpacoSfondo_ = 0xFFFFFF;
    bool orientamentoGrad_ = false;
    uint coloreGradiente1_ = 0xFFFFFF;
    uint coloreGradiente2_ = 0xFFFF00;
    uint coloreGradiente3_ = 0xFF0000;
    QString fontName_ = QStringLiteral("MS Sans Serif");
    qint32 dimensioneFont_ = 12;
    uint coloreTesto_ = 0x000000;
    bool italico_ = false;
    bool sottolineato_ = false;
    bool barrato_ = false;
    qint32 bold_ = 0;
    qint16 effettoContorno_ = 0;
    qint16 effettoTesto_ = 0;
};
