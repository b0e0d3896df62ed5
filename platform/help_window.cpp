// The help window and its archive-backed text browser.
#include "platform/help_window.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QSplitter>
#include <QStringDecoder>
#include <QStyle>
#include <QToolBar>
#include <QTreeWidget>

namespace {

const QString kScheme = QStringLiteral("chm");

// Returns a page's text, in the character set its <meta> tag names, else as archive text.
QString DecodeHtml(const QByteArray& data)
{
    static const QRegularExpression charset(
        QStringLiteral("<meta[^>]*charset\\s*=\\s*[\"']?([A-Za-z0-9_.:-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = charset.match(QString::fromLatin1(data.left(2048)));
    if (m.hasMatch()) {
        QStringDecoder decoder(m.captured(1).toLatin1().constData());
        if (decoder.isValid()) {
            const QString text = decoder(data);
            if (!decoder.hasError())
                return text;
        }
    }
    return DecodeChmText(data);
}

// The window's own few words, in the language the help file is written in.
struct WindowLabels
{
    quint16 language; // primary language of a Windows language id
    const char* back;
    const char* forward;
    const char* home;
    const char* contents;
    const char* help;
};

const WindowLabels kLabels[] = {
    {0x09, "Back", "Forward", "Home", "Contents", "Help"},
    {0x10, "Indietro", "Avanti", "Pagina iniziale", "Sommario", "Guida"},
    {0x0C, "Précédent", "Suivant", "Accueil", "Sommaire", "Aide"},
    {0x07, "Zurück", "Vorwärts", "Startseite", "Inhalt", "Hilfe"},
    {0x0A, "Atrás", "Adelante", "Inicio", "Contenido", "Ayuda"},
    {0x08, "Πίσω", "Εμπρός", "Αρχική", "Περιεχόμενα", "Βοήθεια"},
};

const WindowLabels& LabelsFor(quint32 lcid)
{
    for (const WindowLabels& labels : kLabels) {
        if (labels.language == (lcid & 0x3FF))
            return labels;
    }
    return kLabels[0];
}

// Only pages are topics; a stylesheet or picture named as a topic is not shown.
bool IsPage(const QString& path)
{
    return path.endsWith(QLatin1String(".html"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive);
}

QString PathWithoutFragment(const QUrl& url)
{
    return NormalizeChmPath(url.path(QUrl::FullyDecoded)).toLower();
}

} // namespace

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent) {}

void HelpBrowser::doSetSource(const QUrl& name, QTextDocument::ResourceType type)
{
    loading_ = name.isRelative() ? source().resolved(name) : name;
    QTextBrowser::doSetSource(name, type);
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name)
{
    if (!archive_)
        return {};
    QUrl url = name;
    if (url.isRelative())
        url = (loading_.isValid() ? loading_ : source()).resolved(url);
    // Only the archive is read: a help page never reaches the local disk or the network.
    if (url.scheme() != kScheme)
        return {};
    const auto data = archive_->Read(url.path(QUrl::FullyDecoded));
    if (!data)
        return {};
    switch (type) {
    case QTextDocument::HtmlResource:
        return DecodeHtml(*data);
    case QTextDocument::StyleSheetResource:
        return DecodeChmText(*data);
    default:
        return *data;
    }
}

HelpWindow* HelpWindow::Instance()
{
    static QPointer<HelpWindow> instance;
    if (!instance) {
        instance = new HelpWindow;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, instance.data(),
                         [] { delete instance.data(); });
    }
    return instance;
}

HelpWindow::HelpWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("helpWindow"));
    // The help must not keep the program running once its main window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);

    browser_ = new HelpBrowser;
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->SetArchive(&archive_);
    browser_->setOpenLinks(false);

    contents_ = new QTreeWidget;
    contents_->setObjectName(QStringLiteral("helpContents"));
    contents_->setColumnCount(1);
    contents_->header()->setSectionResizeMode(QHeaderView::Stretch);

    splitter_ = new QSplitter;
    splitter_->addWidget(contents_);
    splitter_->addWidget(browser_);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({240, 660});
    setCentralWidget(splitter_);

    QToolBar* bar = addToolBar(QString());
    bar->setObjectName(QStringLiteral("helpToolBar"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    back_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QString());
    back_->setObjectName(QStringLiteral("helpBack"));
    back_->setShortcut(QKeySequence::Back);
    back_->setEnabled(false);
    forward_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QString());
    forward_->setObjectName(QStringLiteral("helpForward"));
    forward_->setShortcut(QKeySequence::Forward);
    forward_->setEnabled(false);
    home_ = bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QString());
    home_->setObjectName(QStringLiteral("helpHome"));

    connect(back_, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward_, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(home_, &QAction::triggered, this, [this] {
        const QString topic = HomeTopic();
        if (!topic.isEmpty())
            browser_->setSource(TopicUrl(topic));
    });
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, &HelpWindow::OnSourceChanged);
    connect(browser_, &QTextBrowser::anchorClicked, this, &HelpWindow::OnAnchorClicked);
    connect(contents_, &QTreeWidget::itemClicked, this, &HelpWindow::OnContentsItemClicked);
    connect(contents_, &QTreeWidget::itemActivated, this, &HelpWindow::OnContentsItemClicked);

    // No larger than the screen it opens on, whatever the screen's size and scale.
    QSize size(920, 680);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    resize(size);
    ApplyLabels();
}

bool HelpWindow::ShowTopic(const QString& chmPath, const QString& topicPath)
{
    const QFileInfo info(chmPath);
    const QString canonical = info.canonicalFilePath();
    if (canonical.isEmpty())
        return false;

    // A changed file (a newer help installed while the program runs) is read again.
    ChmArchive fresh;
    const bool sameArchive = archive_.IsOpen() && canonical == archivePath_ &&
                             info.lastModified() == archiveModified_ && info.size() == archiveSize_;
    if (!sameArchive && !fresh.Open(canonical))
        return false;
    const ChmArchive& target = sameArchive ? archive_ : fresh;

    QString topic = topicPath.trimmed();
    if (topic.isEmpty()) {
        const QString defaultTopic = target.SystemInfo().defaultTopic;
        if (!defaultTopic.isEmpty() && target.Contains(defaultTopic)) {
            topic = defaultTopic;
        } else {
            for (const ChmContentsEntry& entry : target.Contents()) {
                if (!entry.local.isEmpty() &&
                    target.Contains(TopicUrl(entry.local).path(QUrl::FullyDecoded))) {
                    topic = entry.local;
                    break;
                }
            }
        }
    }
    const QUrl url = TopicUrl(topic);
    const QString path = url.path(QUrl::FullyDecoded);
    if (topic.isEmpty() || url.scheme() != kScheme || !IsPage(path) || !target.Contains(path))
        return false;

    if (!sameArchive) {
        archive_ = std::move(fresh);
        archivePath_ = canonical;
        archiveModified_ = info.lastModified();
        archiveSize_ = info.size();
        FillContents();
        ApplyLabels();
        const bool samePage = PathWithoutFragment(browser_->source()) == PathWithoutFragment(url);
        browser_->setSource(url);
        if (samePage)
            browser_->reload(); // same path, but the page of another archive
        browser_->clearHistory();
    } else {
        browser_->setSource(url);
    }
    Present();
    return true;
}

QString HelpWindow::CurrentTopic() const
{
    return NormalizeChmPath(browser_->source().path(QUrl::FullyDecoded));
}

QUrl HelpWindow::TopicUrl(const QString& path, const QUrl& base)
{
    QString text = path.trimmed();
    const qsizetype separator = text.indexOf(QLatin1String("::"));
    if (separator >= 0)
        text = text.mid(separator + 2);
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QUrl url = base.resolved(QUrl(text));
    if (url.scheme() == kScheme)
        url.setPath(NormalizeChmPath(url.path(QUrl::FullyDecoded)), QUrl::DecodedMode);
    return url;
}

QString HelpWindow::HomeTopic() const
{
    const QString defaultTopic = archive_.SystemInfo().defaultTopic;
    if (!defaultTopic.isEmpty() && archive_.Contains(defaultTopic))
        return defaultTopic;
    for (const ChmContentsEntry& entry : archive_.Contents()) {
        if (!entry.local.isEmpty())
            return entry.local;
    }
    return {};
}

void HelpWindow::FillContents()
{
    contents_->clear();
    QList<QTreeWidgetItem*> parents; // parents[d] holds the last item at depth d
    for (const ChmContentsEntry& entry : archive_.Contents()) {
        const int depth = std::min<int>(entry.depth, int(parents.size()));
        parents.resize(depth);
        auto* item =
            depth == 0 ? new QTreeWidgetItem(contents_) : new QTreeWidgetItem(parents.last());
        item->setText(0, entry.name);
        if (!entry.local.isEmpty())
            item->setData(0, Qt::UserRole, TopicUrl(entry.local));
        parents.append(item);
    }
    contents_->expandAll();
    contents_->setVisible(contents_->topLevelItemCount() > 0);
}

void HelpWindow::ApplyLabels()
{
    const WindowLabels& labels = LabelsFor(archive_.SystemInfo().lcid);
    back_->setText(QString::fromUtf8(labels.back));
    forward_->setText(QString::fromUtf8(labels.forward));
    home_->setText(QString::fromUtf8(labels.home));
    contents_->setHeaderLabel(QString::fromUtf8(labels.contents));
    if (browser_->documentTitle().isEmpty())
        setWindowTitle(archive_.SystemInfo().title.isEmpty() ? QString::fromUtf8(labels.help)
                                                             : archive_.SystemInfo().title);
}

void HelpWindow::OnSourceChanged(const QUrl& url)
{
    const QString page = browser_->documentTitle();
    const QString file = archive_.SystemInfo().title;
    if (page.isEmpty() || file.isEmpty() || page == file)
        setWindowTitle(page.isEmpty() ? file : page);
    else
        setWindowTitle(page + QStringLiteral(" - ") + file);

    // Keep the contents list on the page shown.
    const QString path = PathWithoutFragment(url);
    QTreeWidgetItem* match = nullptr;
    for (QTreeWidgetItemIterator it(contents_); *it && !match; ++it) {
        if (PathWithoutFragment((*it)->data(0, Qt::UserRole).toUrl()) == path)
            match = *it;
    }
    const QSignalBlocker blocker(contents_);
    contents_->setCurrentItem(match);
}

void HelpWindow::OnAnchorClicked(const QUrl& url)
{
    if (url.scheme() == kScheme) {
        const QString path = url.path(QUrl::FullyDecoded);
        if (IsPage(path) && archive_.Contains(path))
            browser_->setSource(url);
        return;
    }
    // A link into a help file: "ms-its:FILE.CHM::/topic.html" or
    // "mk:@MSITStore:FILE.CHM::/topic.html".
    const QString text = url.toString(QUrl::FullyDecoded);
    const qsizetype separator = text.indexOf(QLatin1String("::"));
    if (separator >= 0) {
        static const QRegularExpression prefix(QStringLiteral("^(ms-its:|mk:@msitstore:|its:)"),
                                               QRegularExpression::CaseInsensitiveOption);
        QString file = text.left(separator).remove(prefix);
        if (QFileInfo(file).isRelative())
            file = QFileInfo(archivePath_).dir().filePath(file);
        ShowTopic(file, text.mid(separator + 2));
        return;
    }
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https") ||
        url.scheme() == QLatin1String("mailto"))
        QDesktopServices::openUrl(url);
}

void HelpWindow::OnContentsItemClicked(QTreeWidgetItem* item)
{
    if (!item)
        return;
    const QUrl url = item->data(0, Qt::UserRole).toUrl();
    if (url.isValid() && archive_.Contains(url.path(QUrl::FullyDecoded)))
        browser_->setSource(url);
}

void HelpWindow::Present()
{
    // A modal dialog blocks every other window; while one runs, the help is shown modally above
    // it so that it can be read, scrolled and followed. Otherwise it is an ordinary window.
    QWidget* modal = QApplication::activeModalWidget();
    const Qt::WindowModality wanted = modal && modal != this ? Qt::ApplicationModal : Qt::NonModal;
    if (windowModality() != wanted) {
        if (isVisible())
            hide();
        setWindowModality(wanted);
    }
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

bool ShowHelpTopic(const QString& chmPath, const QString& topicPath)
{
    return HelpWindow::Instance()->ShowTopic(chmPath, topicPath);
}

bool ShowHelp(const QString& location)
{
    const qsizetype separator = location.indexOf(QLatin1String("::"));
    if (separator < 0)
        return ShowHelpTopic(location, QString());
    return ShowHelpTopic(location.left(separator), location.mid(separator + 2));
}
