// A tree of the PC's mounted volumes and their folders, each folder listed on its first opening.
#pragma once

#include "core/string_list.h"

#include <QIcon>
#include <QTreeWidget>

#include <functional>
#include <string>
#include <vector>

// Kinds of volume, in the order of their pictures after the two folder pictures.
enum class VolumeKind
{
    Removable,
    Fixed,
    CdRom,
    Network,
    Hidden // RAM disks and pseudo file systems: not shown
};

struct FolderTreeVolume
{
    std::string rootPath;
    VolumeKind kind;
};

// Supplies the volumes the tree starts with; tests replace it to root the tree in a temporary
// folder.
using VolumeSource = std::function<std::vector<FolderTreeVolume>()>;

class CFolderTree : public QTreeWidget
{
    Q_OBJECT

public:
    // Picture indices, as the tree's image list holds them.
    enum Image
    {
        kFolderImage,
        kOpenFolderImage,
        kRemovableImage,
        kFixedImage,
        kCdRomImage,
        kNetworkImage,
        kImageCount
    };

    explicit CFolderTree(QWidget* parent = nullptr);

    // Fills the tree with the volumes and, given a start path, opens the tree down to it.
    void Initialise(const char* startPath = nullptr);

    // Returns the full path of item number `item`, or "" when there is no such item.
    std::string GetPath(int item) const;

    // Lists every level of `path` on the way down (names compare without regard to case), then
    // selects and opens its item. Returns false at the first level that is not in the tree,
    // which then stays where the search stopped.
    bool SelectPath(const char* path);

    // Returns the number of `item` (its position in insertion order), or -1.
    static int ItemNumber(const QTreeWidgetItem* item);
    int ItemCount() const { return paths_.GetCount(); }
    QTreeWidgetItem* Item(int item) const;
    // Whether the subfolders of item number `item` have been listed.
    bool IsListed(int item) const;

    // Returns how a volume is shown: "/" is the fixed root; CD-ROM and network file systems,
    // removable media, RAM disks and pseudo file systems by their type, mount point and device.
    static VolumeKind ClassifyVolume(const std::string& rootPath, const std::string& fileSystem,
                                     bool removableDevice);
    // The mounted volumes as the tree shows them, "/" first.
    static std::vector<FolderTreeVolume> MountedVolumes();
    // Replaces the source of volumes for every tree created afterwards; empty restores the
    // mounted volumes.
    static void SetVolumeSource(VolumeSource source);

    // The picture for `image`: a file of the program's pictures when present, otherwise a
    // picture of the style.
    static QIcon Picture(Image image);

private:
    int InsertItem(QTreeWidgetItem* parent, const std::string& path, const QString& text,
                   Image image);
    void ListSubfolders(int item);
    void SelectItem(int item);

    StringList paths_;   // entry n: full path of item n
    PointerList items_;  // entry n: the QTreeWidgetItem of item n
    PointerList filled_; // entry n: non-null once item n's subfolders are listed
    std::vector<int> roots_;
};
