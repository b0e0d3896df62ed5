// The folder tree on the mounted volumes.
#include "ui/folder_tree.h"

#include "core/app_config.h"

#include <QApplication>
#include <QBitmap>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QStyle>

#include <algorithm>
#include <cstdint>
#include <set>

namespace {

VolumeSource g_volumeSource;

std::string ChildPath(const std::string& parent, const std::string& name)
{
    return parent == "/" ? "/" + name : parent + "/" + name;
}

// Folder entries of `path`. A symbolic link counts when it leads to a folder; the filter alone
// would also pass links to devices and dangling links.
QStringList Subfolders(const std::string& path, bool firstOnly)
{
    QStringList names;
    QDirIterator it(QString::fromStdString(path), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        if (!it.fileInfo().isDir())
            continue;
        names << it.fileName();
        if (firstOnly)
            break;
    }
    // Listed by name, as a user reads a folder, not in the file system's hash order.
    names.sort(Qt::CaseInsensitive);
    return names;
}

bool HasSubfolder(const std::string& path)
{
    return !Subfolders(path, true).isEmpty();
}

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// Whether `root` is `path` or one of its parent folders, letters a-z in either case.
bool IsRootOf(const std::string& root, const std::string& path)
{
    if (root.size() > path.size())
        return false;
    for (std::size_t i = 0; i < root.size(); ++i)
        if (Upper(root[i]) != Upper(path[i]))
            return false;
    return root == "/" || path.size() == root.size() || path[root.size()] == '/';
}

// The item of `path`: the one spelled exactly so, otherwise the first whose path differs only
// in the case of the letters a-z. Folders whose names differ only in case can lie side by side
// here, and a saved or typed path must open the very folder it names.
int FindPath(const StringList& paths, const std::string& path)
{
    int exact = paths.Find(path.c_str(), 0, true);
    return exact >= 0 ? exact : paths.Find(path.c_str(), 0, false);
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

// Whether the block device behind `device` ("/dev/sdb1") reports removable media.
bool IsRemovableDevice(const QString& device)
{
    if (!device.startsWith(QLatin1String("/dev/")))
        return false;
    QString name = QFileInfo(device).canonicalFilePath().section('/', -1);
    QString block = QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    if (block.isEmpty())
        return false;
    if (QFile::exists(block + QStringLiteral("/partition")))
        block = QFileInfo(block).path();
    QFile removable(block + QStringLiteral("/removable"));
    return removable.open(QIODevice::ReadOnly) && removable.read(1) == "1";
}

const char* PictureName(CFolderTree::Image image)
{
    static const char* const kNames[CFolderTree::kImageCount] = {
        "folder.png",      "folder_open.png", "drive_removable.png",
        "drive_fixed.png", "drive_cdrom.png", "drive_network.png"};
    return kNames[image];
}

QStyle::StandardPixmap StandardPicture(CFolderTree::Image image)
{
    static const QStyle::StandardPixmap kPixmaps[CFolderTree::kImageCount] = {
        QStyle::SP_DirClosedIcon, QStyle::SP_DirOpenIcon, QStyle::SP_DriveFDIcon,
        QStyle::SP_DriveHDIcon,   QStyle::SP_DriveCDIcon, QStyle::SP_DriveNetIcon};
    return kPixmaps[image];
}

// The program's pictures lie in "pictures" beside the data files, or in the source tree's
// "data/pictures" when run from a build folder.
QPixmap LoadPicture(CFolderTree::Image image)
{
    QStringList folders{QStringLiteral(":/pictures")};
    if (!AppConfig.workDir.empty())
        folders << QString::fromStdString(AppConfig.workDir) + QStringLiteral("/pictures");
    QString appDir = QCoreApplication::applicationDirPath();
    folders << appDir + QStringLiteral("/pictures") << appDir + QStringLiteral("/../data/pictures")
            << appDir + QStringLiteral("/../../data/pictures");
    for (const QString& folder : folders) {
        QPixmap pixmap(folder + '/' + QLatin1String(PictureName(image)));
        if (pixmap.isNull())
            continue;
        // White is the transparent colour of pictures drawn without an alpha channel.
        if (!pixmap.hasAlphaChannel())
            pixmap.setMask(pixmap.createMaskFromColor(Qt::white));
        return pixmap.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    return {};
}

} // namespace

CFolderTree::CFolderTree(QWidget* parent) : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    connect(this, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* item) { ListSubfolders(ItemNumber(item)); });
}

void CFolderTree::Initialise(const char* startPath)
{
    clear();
    paths_.RemoveAll();
    items_.RemoveAll();
    filled_.RemoveAll();
    roots_.clear();

    std::vector<FolderTreeVolume> volumes = g_volumeSource ? g_volumeSource() : MountedVolumes();
    for (const FolderTreeVolume& volume : volumes) {
        Image image;
        switch (volume.kind) {
        case VolumeKind::Removable:
            image = kRemovableImage;
            break;
        case VolumeKind::Fixed:
            image = kFixedImage;
            break;
        case VolumeKind::CdRom:
            image = kCdRomImage;
            break;
        case VolumeKind::Network:
            image = kNetworkImage;
            break;
        default:
            continue;
        }
        roots_.push_back(
            InsertItem(nullptr, volume.rootPath, QString::fromStdString(volume.rootPath), image));
    }
    if (startPath && *startPath)
        SelectPath(startPath);
}

std::string CFolderTree::GetPath(int item) const
{
    return paths_.GetAt(item);
}

QTreeWidgetItem* CFolderTree::Item(int item) const
{
    return static_cast<QTreeWidgetItem*>(items_.GetAt(item));
}

bool CFolderTree::IsListed(int item) const
{
    return filled_.GetAt(item) != nullptr;
}

int CFolderTree::ItemNumber(const QTreeWidgetItem* item)
{
    return item ? item->data(0, Qt::UserRole).toInt() : -1;
}

int CFolderTree::InsertItem(QTreeWidgetItem* parent, const std::string& path, const QString& text,
                            Image image)
{
    int number = paths_.GetCount();
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, text);
    item->setData(0, Qt::UserRole, number);
    item->setToolTip(0, QString::fromStdString(path));
    if (image == kFolderImage) {
        // A selected folder shows the open folder.
        QIcon icon = Picture(kFolderImage);
        for (QIcon::Mode mode : {QIcon::Selected, QIcon::Active})
            icon.addPixmap(Picture(kOpenFolderImage).pixmap(16, 16), mode);
        item->setIcon(0, icon);
    } else {
        item->setIcon(0, Picture(image));
    }
    paths_.AddTail(path.c_str());
    items_.AddTail(item);
    filled_.AddTail(nullptr);
    item->setChildIndicatorPolicy(HasSubfolder(path) ? QTreeWidgetItem::ShowIndicator
                                                     : QTreeWidgetItem::DontShowIndicator);
    return number;
}

void CFolderTree::ListSubfolders(int item)
{
    if (item < 0 || item >= paths_.GetCount() || IsListed(item))
        return;
    filled_.SetAt(item, reinterpret_cast<void*>(std::uintptr_t{1}));
    std::string path = paths_.GetAt(item);
    QTreeWidgetItem* parent = Item(item);
    const QStringList names = Subfolders(path, false);
    for (const QString& name : names)
        InsertItem(parent, ChildPath(path, name.toStdString()), name, kFolderImage);
    if (names.isEmpty())
        parent->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    SelectItem(item);
}

void CFolderTree::SelectItem(int item)
{
    QTreeWidgetItem* treeItem = Item(item);
    if (!treeItem)
        return;
    for (QTreeWidgetItem* parent = treeItem->parent(); parent; parent = parent->parent())
        parent->setExpanded(true);
    setCurrentItem(treeItem);
    scrollToItem(treeItem);
}

bool CFolderTree::SelectPath(const char* path)
{
    std::string target = path ? path : "";
    if (target.empty() || target[0] != '/')
        return false;

    // The walk starts at the innermost volume that holds the path; of two volumes whose names
    // differ only in case, the one spelled as the path is.
    int root = -1;
    bool rootExact = false;
    for (int candidate : roots_) {
        std::string rootPath = paths_.GetAt(candidate);
        if (!IsRootOf(rootPath, target))
            continue;
        bool exact = target.compare(0, rootPath.size(), rootPath) == 0;
        std::size_t length = root < 0 ? 0 : paths_.GetAt(root).size();
        if (root < 0 || rootPath.size() > length ||
            (rootPath.size() == length && exact && !rootExact)) {
            root = candidate;
            rootExact = exact;
        }
    }
    if (root < 0)
        return false;

    std::string level = paths_.GetAt(root);
    std::vector<std::string> levels{level};
    QString rest = QString::fromStdString(target.substr(level == "/" ? 1 : level.size()));
    for (const QString& name : rest.split('/', Qt::SkipEmptyParts)) {
        level = ChildPath(level, name.toStdString());
        levels.push_back(level);
    }
    for (const std::string& each : levels) {
        int found = FindPath(paths_, each);
        if (found < 0)
            return false;
        ListSubfolders(found);
    }
    // A path typed with a trailing "/" is not an item of the tree.
    int found = FindPath(paths_, target);
    if (found < 0)
        return false;
    SelectItem(found);
    Item(found)->setExpanded(true);
    return true;
}

VolumeKind CFolderTree::ClassifyVolume(const std::string& rootPath, const std::string& fileSystem,
                                       bool removableDevice)
{
    if (rootPath == "/")
        return VolumeKind::Fixed;
    static const std::set<std::string> kCdRom{"iso9660", "udf"};
    static const std::set<std::string> kNetwork{
        "nfs",         "nfs4",           "cifs",      "smbfs",      "smb3",  "ncpfs",
        "afs",         "ceph",           "9p",        "fuse.sshfs", "sshfs", "davfs",
        "fuse.davfs2", "fuse.glusterfs", "glusterfs", "fuse.rclone"};
    static const std::set<std::string> kHidden{"tmpfs",      "ramfs",       "proc",
                                               "sysfs",      "devtmpfs",    "devpts",
                                               "cgroup",     "cgroup2",     "securityfs",
                                               "pstore",     "debugfs",     "tracefs",
                                               "configfs",   "fusectl",     "mqueue",
                                               "hugetlbfs",  "autofs",      "binfmt_misc",
                                               "bpf",        "efivarfs",    "rpc_pipefs",
                                               "nsfs",       "selinuxfs",   "overlay",
                                               "squashfs",   "fuse.portal", "fuse.gvfsd-fuse",
                                               "fuse.lxcfs", "nfsd"};
    if (kHidden.count(fileSystem))
        return VolumeKind::Hidden;
    // Mount points of the system's own run-time file systems.
    for (const char* system : {"/proc/", "/sys/", "/dev/", "/run/"})
        if (StartsWith(rootPath + "/", system) && !StartsWith(rootPath, "/run/media/"))
            return VolumeKind::Hidden;
    if (kCdRom.count(fileSystem))
        return VolumeKind::CdRom;
    if (kNetwork.count(fileSystem))
        return VolumeKind::Network;
    if (removableDevice || StartsWith(rootPath, "/media/") || StartsWith(rootPath, "/run/media/"))
        return VolumeKind::Removable;
    return VolumeKind::Fixed;
}

std::vector<FolderTreeVolume> CFolderTree::MountedVolumes()
{
    std::vector<FolderTreeVolume> volumes{{"/", VolumeKind::Fixed}};
    std::vector<FolderTreeVolume> others;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes()) {
        std::string root = storage.rootPath().toStdString();
        if (root == "/" || root.empty())
            continue;
        VolumeKind kind = ClassifyVolume(root, storage.fileSystemType().toStdString(),
                                         IsRemovableDevice(QString::fromUtf8(storage.device())));
        if (kind != VolumeKind::Hidden)
            others.push_back({root, kind});
    }
    std::sort(others.begin(), others.end(),
              [](const auto& a, const auto& b) { return a.rootPath < b.rootPath; });
    volumes.insert(volumes.end(), others.begin(), others.end());
    return volumes;
}

void CFolderTree::SetVolumeSource(VolumeSource source)
{
    g_volumeSource = std::move(source);
}

QIcon CFolderTree::Picture(Image image)
{
    static QIcon cache[kImageCount];
    if (cache[image].isNull()) {
        QPixmap pixmap = LoadPicture(image);
        cache[image] = pixmap.isNull() ? QApplication::style()->standardIcon(StandardPicture(image))
                                       : QIcon(pixmap);
    }
    return cache[image];
}
