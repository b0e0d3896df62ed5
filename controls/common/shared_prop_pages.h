// The three property pages both controls list after their general page: background, text and
// special effects.
#pragma once

#include "controls/common/kro_property_page.h"

#include <memory>

namespace Ui {
class CPropPageSfondo;
class CSetFontPropPage;
class CSpecialEffect;
} // namespace Ui

// Background style, the opaque colour and the three gradient colours.
class CPropPageSfondo : public CKroPropertyPage
{
    Q_OBJECT

public:
    static constexpr const char* kClassId = "{25C1CFC3-1507-11D4-B319-0000B45078DC}";
    static constexpr const char* kTypeName = "Stile Sfondo";

    explicit CPropPageSfondo(PageFlavor flavor, QWidget* parent = nullptr);
    ~CPropPageSfondo() override;
    QString Caption() const override { return QStringLiteral("Stile Sfondo"); }

protected:
    void OnOpened() override;

private:
    // Enables the colour choices that belong to the checked style.
    void EnableForStyle();

    std::unique_ptr<Ui::CPropPageSfondo> ui_;
};

// Face, size, colour, weight and style of the caption's font.
class CSetFontPropPage : public CKroPropertyPage
{
    Q_OBJECT

public:
    static constexpr const char* kClassId = "{ECE4C5E9-1B4B-11D4-B319-0000B45078DC}";
    static constexpr const char* kTypeName = "Proprietà Testo";

    explicit CSetFontPropPage(PageFlavor flavor, QWidget* parent = nullptr);
    ~CSetFontPropPage() override;
    QString Caption() const override { return QStringLiteral("Proprietà Testo"); }

protected:
    void OnOpened() override;

private:
    std::unique_ptr<Ui::CSetFontPropPage> ui_;
    PageFlavor flavor_;
    int bold_ = 0; // the page's value of Bold, which the slider may not be able to show
};

// Contour and text effects.
class CSpecialEffect : public CKroPropertyPage
{
    Q_OBJECT

public:
    static constexpr const char* kClassId = "{97E9CC86-1B81-11D4-B319-0000B45078DC}";
    static constexpr const char* kTypeName = "Effetti Speciali";

    explicit CSpecialEffect(QWidget* parent = nullptr);
    ~CSpecialEffect() override;
    QString Caption() const override { return QStringLiteral("Effetti Speciali"); }

private:
    std::unique_ptr<Ui::CSpecialEffect> ui_;
};
