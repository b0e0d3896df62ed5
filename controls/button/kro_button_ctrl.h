// The custom-drawn push button CKROButtonCtrl: its properties under the design's names, its
// painting, and the ten events it fires to its container.
#pragma once

#include "controls/common/kro_control.h"
#include "controls/common/ole_color.h"

#include <QPixmap>
#include <QPointer>

class CKROButtonCtrl : public CKroControl
{
    Q_OBJECT
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
    Q_PROPERTY(int StileFuoco READ StileFuoco WRITE SetStileFuoco)
    Q_PROPERTY(uint ColoreFuoco READ ColoreFuoco WRITE SetColoreFuoco)
    Q_PROPERTY(bool ColoraTestoInFuoco READ ColoraTestoInFuoco WRITE SetColoraTestoInFuoco)
    Q_PROPERTY(uint ColoreTestoFuoco READ ColoreTestoFuoco WRITE SetColoreTestoFuoco)
    Q_PROPERTY(QString TestoContenuto READ TestoContenuto WRITE SetTestoContenuto)
    Q_PROPERTY(QString Text READ Text WRITE SetText)
    Q_PROPERTY(QString WindowText READ WindowText WRITE SetWindowText)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)

public:
    static constexpr const char* kClassId = "{392A85DB-1C4B-11D4-B319-0000B45078DC}";
    static constexpr const char* kProgId = "KROBUTTON.KROButtonCtrl.1";

    explicit CKROButtonCtrl(QWidget* parent = nullptr);

    // The custom properties in exchange order (TestoContenuto first) with their defaults.
    static const QList<PropSpec>& Specs();
    // _DKROButton in the type library's source order, and _DKROButtonEvents.
    static const QList<DispEntry>& DispatchTable();
    static const QList<DispEntry>& EventTable();

    // Draws `Bitmap` centred instead of the caption until NoBitmap or the next exchange. The
    // control keeps its own copy, so the host's picture may go at any time.
    Q_INVOKABLE void InserisciBitmap(const QPixmap& Bitmap);
    Q_INVOKABLE void NoBitmap();

    // The base's click step, called with the button (1 left, 2 right, 4 middle) that completed
    // a click inside the control.
    void OnClick(short button);

    void OnDraw(QPainter& dc, const QRect& bounds) override;

    bool IsPressed() const { return isPressed_; }
    bool HasFocusMark() const { return hasFocus_; }
    bool IsBitmapMode() const { return bitmapMode_; }

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
    int StileFuoco() const { return stileFuoco_; }
    uint ColoreFuoco() const { return coloreFuoco_; }
    bool ColoraTestoInFuoco() const { return coloraTestoInFuoco_; }
    uint ColoreTestoFuoco() const { return coloreTestoFuoco_; }
    QString TestoContenuto() const { return testoContenuto_; }
    QString Text() const { return testoContenuto_; }
    QString WindowText() const { return testoContenuto_; }
    bool Enabled() const { return isEnabled(); }

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
    void SetStileFuoco(int v) { Change(stileFuoco_, qint16(v)); }
    void SetColoreFuoco(uint v) { Change(coloreFuoco_, v); }
    void SetColoraTestoInFuoco(bool v) { Change(coloraTestoInFuoco_, v); }
    void SetColoreTestoFuoco(uint v) { Change(coloreTestoFuoco_, v); }
    void SetTestoContenuto(const QString& v) { Change(testoContenuto_, v); }
    void SetText(const QString& text);
    void SetWindowText(const QString& text);
    void SetEnabled(bool enabled);

signals:
    void OnSetFocus();
    void OnKillFocus();
    void Click();
    void DblClick();
    void KeyDown(short KeyCode, short Shift);
    void KeyPress(short KeyAscii);
    void KeyUp(short KeyCode, short Shift);
    void MouseDown(short Button, short Shift, int x, int y);
    void MouseMove(short Button, short Shift, int x, int y);
    void MouseUp(short Button, short Shift, int x, int y);

protected:
    const QList<PropSpec>& PropertySpecs() const override { return Specs(); }
    std::uint32_t StockMask() const override;
    void AfterExchange() override;
    void OnCaptionChanged() override;
    QList<CKroPropertyPage*> CreatePropertyPages() override;
    QString TypeName() const override;

    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    template <typename T> void Change(T& field, const T& value)
    {
        field = value;
        update();
        SetModifiedFlag();
    }

    bool bitmapMode_ = false;
    QPixmap bitmap_;
    bool isPressed_ = false;
    bool hasFocus_ = false;
    bool isVisible_ = true;
    int buttonState_ = 0;      // mouse buttons held since a press on the control
    int doubleClickState_ = 0; // buttons whose next release ends a double click
    QPointer<QWidget> lastOtherFocus_;

    qint16 allOrizzontaleTesto_ = 1;
    qint16 allVerticaleTesto_ = 1;
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
    qint16 effettoContorno_ = 1;
    qint16 effettoTesto_ = 0;
    qint16 stileFuoco_ = 0;
    uint coloreFuoco_ = 0xFF0000;
    bool coloraTestoInFuoco_ = false;
    uint coloreTestoFuoco_ = 0xFFFFFF;
    QString testoContenuto_ = QStringLiteral("Testo del bottone");
};
