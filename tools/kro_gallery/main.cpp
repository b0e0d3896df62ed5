// kro-gallery: a grid of buttons in every contour, background, text effect, focus and disabled
// form, and labels created by class id through the registry; for trying the controls by hand
// and for screenshots.
// Usage: kro-gallery [--sheet] [--screenshot FILE]
#include "controls/button/kro_button_ctrl.h"
#include "controls/common/kro_host.h"
#include "controls/common/kro_property_sheet.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFocusEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

namespace {

const char* kLabelClass = "{3A7ECCC5-1227-11D4-B319-0000B45078DC}";

// The heading of the information dialog, as its stored stream holds it.
QByteArray HeadingStream()
{
    const QByteArray text = " TESTER VELANTO Dozozovir Avurez Erezevo";
    return QByteArray::fromHex("00000100a52f0000e502000002000000") + char(text.size()) + text +
           char(text.size()) + text +
           QByteArray::fromHex("0000010001000000000200ffffff0001ffffff00ace2f8006c6c6c00") +
           char(5) + "Arial" + QByteArray::fromHex("10000000000000000100000603000003000000");
}

struct ButtonSpec
{
    const char* caption;
    std::function<void(CKROButtonCtrl*)> set;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser options;
    options.addHelpOption();
    options.addOption({"sheet", "Open the property sheet of the first button."});
    options.addOption({"screenshot", "Save the gallery (and the sheet) as FILE and quit.", "FILE"});
    options.process(app);

    QWidget window;
    window.setWindowTitle("KROButton / KroLabel");
    auto* grid = new QGridLayout(&window);
    QPointer<CKROButtonCtrl> current;
    auto* properties = new QPushButton("Proprietà...", &window);

    const QList<QPair<QString, QList<ButtonSpec>>> rows = {
        {"Contorno",
         {{"Piatto", [](CKROButtonCtrl* b) { b->SetEffettoContorno(0); }},
          {"Rialzato", [](CKROButtonCtrl* b) { b->SetEffettoContorno(1); }},
          {"Scavato", [](CKROButtonCtrl* b) { b->SetEffettoContorno(2); }},
          {"Impresso", [](CKROButtonCtrl* b) { b->SetEffettoContorno(3); }}}},
        {"Sfondo",
         {{"Trasparente", [](CKROButtonCtrl*) {}},
          {"Opaco", [](CKROButtonCtrl* b) { b->SetStileSfondo(1); b->SetColoreOpacoSfondo(0xC0E0FF); }},
          {"Gradiente", [](CKROButtonCtrl* b) { b->SetStileSfondo(2); }},
          {"Orizzontale", [](CKROButtonCtrl* b) {
               b->SetStileSfondo(2);
               b->SetOrientamentoGrad(true);
               b->SetColoreGradiente2(0xF8E2AC);
               b->SetColoreGradiente3(0x6C6C6C);
               b->SetBordo(true);
           }}}},
        {"Testo",
         {{"Normale", [](CKROButtonCtrl* b) { b->SetDimensioneFont(18); }},
          {"Ombreggiato", [](CKROButtonCtrl* b) { b->SetEffettoTesto(1); b->SetDimensioneFont(18); b->SetColoreTesto(0x00C0FF); }},
          {"Scavato", [](CKROButtonCtrl* b) { b->SetEffettoTesto(2); b->SetDimensioneFont(18); b->SetColoreTesto(0x808080); }},
          {"Rialzato", [](CKROButtonCtrl* b) { b->SetEffettoTesto(3); b->SetDimensioneFont(18); b->SetColoreTesto(0x808080); }}}},
        {"Fuoco",
         {{"Contorno (std.)", [](CKROButtonCtrl*) {}},
          {"Rettangolo colorato", [](CKROButtonCtrl* b) { b->SetStileFuoco(1); b->SetColoreFuoco(0xFFE0C0); }},
          {"Colora testo", [](CKROButtonCtrl* b) { b->SetStileFuoco(1); b->SetColoreFuoco(0x800000); b->SetColoraTestoInFuoco(true); }},
          {"Allineato in basso a destra", [](CKROButtonCtrl* b) { b->SetAllOrizzontaleTesto(2); b->SetAllVerticaleTesto(2); }}}},
        {"Disabilitato",
         {{"Rialzato", [](CKROButtonCtrl* b) { b->setEnabled(false); }},
          {"Scavato", [](CKROButtonCtrl* b) { b->SetEffettoContorno(2); b->setEnabled(false); }},
          {"Testo scavato", [](CKROButtonCtrl* b) { b->SetEffettoTesto(2); b->SetDimensioneFont(18); b->setEnabled(false); }},
          {"Gradiente", [](CKROButtonCtrl* b) { b->SetStileSfondo(2); b->setEnabled(false); }}}},
    };
    int row = 0;
    for (const auto& [title, specs] : rows) {
        grid->addWidget(new QLabel(title, &window), row, 0);
        int column = 1;
        for (const ButtonSpec& spec : specs) {
            auto* button = new CKROButtonCtrl(&window);
            button->SetText(QString::fromUtf8(spec.caption));
            spec.set(button);
            button->setMinimumSize(150, 48);
            grid->addWidget(button, row, column++);
            QObject::connect(button, &CKROButtonCtrl::Click, [&current, button] { current = button; });
            if (!current)
                current = button;
            // The focus row shows its mark without holding the focus, so that all three can be
            // seen at once.
            if (title == "Fuoco" && column <= 4) {
                QFocusEvent in(QEvent::FocusIn);
                QApplication::sendEvent(button, &in);
            }
        }
        ++row;
    }

    // Labels come from the label library through the registry, as the information dialog's does.
    grid->addWidget(new QLabel("KroLabel", &window), row, 0);
    QString error;
    const QString library = QDir(QCoreApplication::applicationDirPath()).filePath("KroLabel.ocx");
    QWidget* probe = CreateControlByClassId(kLabelClass, nullptr, &error);
    if (!probe)
        RegisterControlLibrary(library, false, &error);
    delete probe;
    const QList<QByteArray> labels = {QByteArray(), HeadingStream()};
    int column = 1;
    for (const QByteArray& stream : labels) {
        QWidget* label = CreateControlByClassId(kLabelClass, &window, &error);
        if (!label) {
            grid->addWidget(new QLabel(error, &window), row, column++);
            break;
        }
        if (!stream.isEmpty())
            LoadControlFromStream(label, stream);
        label->setMinimumSize(stream.isEmpty() ? 150 : 461, 28);
        grid->addWidget(label, row, column, 1, stream.isEmpty() ? 1 : 3);
        column += stream.isEmpty() ? 1 : 3;
    }
    ++row;
    if (QWidget* label = CreateControlByClassId(kLabelClass, &window, &error)) {
        label->setProperty("TestoContenuto", "Etichetta\nsu tre\nrighe");
        label->setProperty("AllVerticaleTesto", 1);
        label->setProperty("AllOrizzontaleTesto", 1);
        label->setProperty("EffettoContorno", 2);
        label->setProperty("StileSfondo", 1);
        label->setMinimumSize(150, 60);
        grid->addWidget(label, row, 1);
    }
    if (QWidget* label = CreateControlByClassId(kLabelClass, &window, &error)) {
        label->setProperty("TestoContenuto", "Etichetta scavata");
        label->setProperty("EffettoTesto", 2);
        label->setProperty("DimensioneFont", 22);
        label->setProperty("ColoreTesto", 0x808080u);
        label->setProperty("EffettoContorno", 1);
        label->setMinimumSize(200, 60);
        grid->addWidget(label, row, 2, 1, 2);
    }
    grid->addWidget(properties, ++row, 4);
    QObject::connect(properties, &QPushButton::clicked, [&current] {
        if (current)
            current->ShowProperties();
    });

    window.show();
    const QString shot = options.value("screenshot");
    if (options.isSet("sheet") || !shot.isEmpty()) {
        QTimer::singleShot(300, [&] {
            if (!shot.isEmpty())
                window.grab().save(shot);
            if (!options.isSet("sheet")) {
                app.quit();
                return;
            }
            CKroPropertySheet* sheet = current->CreatePropertySheet(&window);
            sheet->show();
            QTimer::singleShot(300, [&, sheet] {
                if (shot.isEmpty())
                    return;
                const QString base = shot.left(shot.lastIndexOf(u'.'));
                auto* tabs = sheet->findChild<QTabWidget*>("pageTabs");
                for (int i = 0; tabs && i < tabs->count(); ++i) {
                    tabs->setCurrentIndex(i);
                    QCoreApplication::processEvents();
                    sheet->grab().save(QString("%1-sheet%2.png").arg(base).arg(i + 1));
                }
                app.quit();
            });
        });
    }
    return app.exec();
}
