// The program's help window: shows topics of a compiled help file (".CHM"), the stand-in for the
// platform's HTML help viewer.
#pragma once

#include "platform/chm_archive.h"

#include <QDateTime>
#include <QMainWindow>
#include <QTextBrowser>
#include <QUrl>

class QAction;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;

// A text browser that takes its pages, pictures and stylesheets from one help archive. Pages are
// addressed as "chm:/html/topic.html"; relative links resolve against the page they are on.
class HelpBrowser : public QTextBrowser
{
    Q_OBJECT

public:
    explicit HelpBrowser(QWidget* parent = nullptr);

    void SetArchive(const ChmArchive* archive) { archive_ = archive; }
    QVariant loadResource(int type, const QUrl& name) override;

protected:
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;

private:
    const ChmArchive* archive_ = nullptr;
    QUrl loading_; // the page being loaded, against which its pictures resolve
};

// One window for all help requests of the program, created on first use and kept until the
// program ends. Closing it only hides it.
class HelpWindow : public QMainWindow
{
    Q_OBJECT

public:
    static HelpWindow* Instance();

    // Shows the topic topicPath ("/html/topic.html"; empty for the file's default topic) of the
    // help file chmPath. Returns false, leaving the window as it was, when the file cannot be
    // opened or has no such topic.
    bool ShowTopic(const QString& chmPath, const QString& topicPath);

    const ChmArchive& Archive() const { return archive_; }
    HelpBrowser* Browser() const { return browser_; }
    QTreeWidget* ContentsTree() const { return contents_; }
    QAction* BackAction() const { return back_; }
    QAction* ForwardAction() const { return forward_; }
    QAction* HomeAction() const { return home_; }
    // Returns the archive path of the page shown ("/html/topic.html").
    QString CurrentTopic() const;

    // Returns the page URL of an archive path, link or contents entry, relative to base.
    static QUrl TopicUrl(const QString& path, const QUrl& base = QUrl(QStringLiteral("chm:/")));

private:
    explicit HelpWindow(QWidget* parent = nullptr);

    bool OpenArchive(const QString& chmPath);
    QString HomeTopic() const;
    void FillContents();
    void ApplyLabels();
    void OnSourceChanged(const QUrl& url);
    void OnAnchorClicked(const QUrl& url);
    void OnContentsItemClicked(QTreeWidgetItem* item);
    void Present();

    ChmArchive archive_;
    QString archivePath_; // canonical path of the open archive
    QDateTime archiveModified_;
    qint64 archiveSize_ = 0;
    QSplitter* splitter_ = nullptr;
    QTreeWidget* contents_ = nullptr;
    HelpBrowser* browser_ = nullptr;
    QAction* back_ = nullptr;
    QAction* forward_ = nullptr;
    QAction* home_ = nullptr;
};

// Shows topicPath of the help file chmPath in the help window (see HelpWindow::ShowTopic).
bool ShowHelpTopic(const QString& chmPath, const QString& topicPath);

// Same, for the help system's combined form "<file>.CHM::/html/topic.html"; without "::" the
// file's default topic is shown.
bool ShowHelp(const QString& location);
