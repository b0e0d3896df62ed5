// Tests of the folder tree on a temporary folder structure.
#include "ui/folder_tree.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(VolumeKind)

class TestFolderTree : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir_;
    std::string root_;

    std::string Path(const char* relative) const { return root_ + "/" + relative; }
    static QString Lower(const std::string& path) { return QString::fromStdString(path).toLower(); }
    static int Find(const CFolderTree& tree, const std::string& path)
    {
        for (int i = 0; i < tree.ItemCount(); ++i)
            if (tree.GetPath(i) == path)
                return i;
        return -1;
    }
    static std::string Current(const CFolderTree& tree)
    {
        return tree.GetPath(CFolderTree::ItemNumber(tree.currentItem()));
    }

    void UseTemporaryRoot()
    {
        CFolderTree::SetVolumeSource([this] {
            return std::vector<FolderTreeVolume>{{root_, VolumeKind::Fixed},
                                                 {"/proc", VolumeKind::Hidden}};
        });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        // Upper-case names, so that a lower-case path differs from the real one.
        root_ = QDir(dir_.path()).canonicalPath().toStdString();
        for (const char* folder : {"C/ECU/NEW", "C/ECU/OLD", "C/OTHER", "C/.hidden",
                                   "C/TWINS/Data/IN", "C/TWINS/data/in", "C/MNT/data/IN",
                                   "C/MNT/data_old/x"})
            QVERIFY(QDir(dir_.path()).mkpath(folder));
        // Links that lead nowhere or to a file are no folders.
        QVERIFY(QFile::link(dir_.filePath("missing"), dir_.filePath("C/ECU/OLD/DANGLING")));
        QVERIFY(QFile::link("/dev/null", dir_.filePath("C/ECU/OLD/DEVICE")));
        UseTemporaryRoot();
    }

    void cleanupTestCase() { CFolderTree::SetVolumeSource(nullptr); }

    void initialise_lists_nothing_yet()
    {
        CFolderTree tree;
        tree.Initialise();
        QCOMPARE(tree.ItemCount(), 1);
        QCOMPARE(tree.topLevelItemCount(), 1);
        QCOMPARE(tree.GetPath(0), root_);
        QVERIFY(!tree.IsListed(0));
        QCOMPARE(tree.Item(0)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
        QCOMPARE(tree.currentItem(), nullptr);
        QCOMPARE(tree.GetPath(5), std::string());
    }

    // The start path lists each level on the way down and ends on the deepest, opened.
    void start_path_of_three_levels()
    {
        CFolderTree tree;
        tree.Initialise(Path("C/ECU/NEW").c_str());
        for (const char* listed : {"C", "C/ECU", "C/ECU/NEW"})
            QVERIFY2(tree.IsListed(Find(tree, Path(listed))), listed);
        QVERIFY(tree.IsListed(0));
        QVERIFY(!tree.IsListed(Find(tree, Path("C/OTHER"))));
        QCOMPARE(Current(tree), Path("C/ECU/NEW"));
        QVERIFY(tree.currentItem()->isExpanded());
        QCOMPARE(tree.currentItem()->text(0), QString("NEW"));
        QCOMPARE(Find(tree, Path("C/.hidden")), -1);
        // Items are numbered in insertion order and carry their number.
        for (int i = 0; i < tree.ItemCount(); ++i)
            QCOMPARE(CFolderTree::ItemNumber(tree.Item(i)), i);
    }

    void select_path_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("current"); // relative to the root
        QTest::newRow("exact") << "C/ECU" << true << "C/ECU";
        QTest::newRow("lower case") << "c/ecu/new" << true << "C/ECU/NEW";
        QTest::newRow("mixed case") << "c/Ecu/oLd" << true << "C/ECU/OLD";
        QTest::newRow("missing last level") << "C/ECU/NEWER" << false << "C/ECU";
        QTest::newRow("missing middle level") << "C/NONE/NEW" << false << "C";
        QTest::newRow("trailing slash") << "C/ECU/" << false << "C/ECU";
    }

    void select_path()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        QFETCH(QString, current);
        CFolderTree tree;
        tree.Initialise();
        QString full = QString::fromStdString(root_) + "/" + typed;
        if (typed.startsWith('c'))
            full = Lower(root_) + "/" + typed;
        QCOMPARE(tree.SelectPath(full.toUtf8().constData()), accepted);
        QCOMPARE(Current(tree), Path(current.toUtf8().constData()));
        int count = tree.ItemCount();
        // Each folder is listed once for the life of the tree.
        tree.SelectPath(full.toUtf8().constData());
        QCOMPARE(tree.ItemCount(), count);
    }

    // Two folders whose names differ only in case: a path opens the one spelled as it is,
    // whichever of the two was listed first.
    void select_path_prefers_the_exact_spelling_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("current");
        QTest::newRow("capitalised") << "C/TWINS/Data/IN"
                                     << "C/TWINS/Data/IN";
        QTest::newRow("lower case") << "C/TWINS/data/in"
                                    << "C/TWINS/data/in";
        QTest::newRow("other spelling below an exact level") << "C/TWINS/data/IN"
                                                             << "C/TWINS/data/in";
    }

    void select_path_prefers_the_exact_spelling()
    {
        QFETCH(QString, typed);
        QFETCH(QString, current);
        CFolderTree tree;
        tree.Initialise();
        QVERIFY(tree.SelectPath(Path(typed.toUtf8().constData()).c_str()));
        QCOMPARE(Current(tree), Path(current.toUtf8().constData()));
    }

    // Two volumes mounted at names that differ only in case, listed in either order.
    void select_path_prefers_the_volume_spelled_so_data()
    {
        QTest::addColumn<bool>("lowerFirst");
        QTest::newRow("capitalised volume first") << false;
        QTest::newRow("lower-case volume first") << true;
    }

    void select_path_prefers_the_volume_spelled_so()
    {
        QFETCH(bool, lowerFirst);
        std::string upper = Path("C/TWINS/Data"), lower = Path("C/TWINS/data");
        CFolderTree::SetVolumeSource([&] {
            std::vector<FolderTreeVolume> volumes{{upper, VolumeKind::Removable},
                                                  {lower, VolumeKind::Removable}};
            if (lowerFirst)
                std::swap(volumes[0], volumes[1]);
            return volumes;
        });
        CFolderTree tree;
        tree.Initialise();
        UseTemporaryRoot();
        QVERIFY(tree.SelectPath((lower + "/in").c_str()));
        QCOMPARE(Current(tree), lower + "/in");
        QVERIFY(tree.SelectPath((upper + "/IN").c_str()));
        QCOMPARE(Current(tree), upper + "/IN");
    }

    // A volume whose mount path is a string prefix of a folder's path does not hold it.
    void select_path_past_a_volume_sharing_its_prefix()
    {
        std::string data = Path("C/MNT/data");
        CFolderTree::SetVolumeSource([&] {
            return std::vector<FolderTreeVolume>{{root_, VolumeKind::Fixed},
                                                 {data, VolumeKind::Removable}};
        });
        CFolderTree tree;
        tree.Initialise();
        UseTemporaryRoot();
        QVERIFY(tree.SelectPath(Path("C/MNT/data_old/x").c_str()));
        QCOMPARE(Current(tree), Path("C/MNT/data_old/x"));
        QVERIFY(tree.SelectPath((data + "/IN").c_str()));
        QCOMPARE(Current(tree), data + "/IN");
    }

    void paths_outside_every_volume_refused()
    {
        CFolderTree tree;
        tree.Initialise();
        QVERIFY(!tree.SelectPath("/proc"));
        QVERIFY(!tree.SelectPath("relative/path"));
        QVERIFY(!tree.SelectPath(""));
        QVERIFY(!tree.SelectPath((root_ + "X").c_str()));
    }

    void expansion_lists_once_and_marks_leaves()
    {
        CFolderTree tree;
        tree.Initialise();
        tree.Item(0)->setExpanded(true);
        QVERIFY(tree.IsListed(0));
        QCOMPARE(tree.Item(0)->childCount(), 1);
        QCOMPARE(Current(tree), root_);
        tree.Item(0)->setExpanded(false);
        tree.Item(0)->setExpanded(true);
        QCOMPARE(tree.Item(0)->childCount(), 1);

        tree.SelectPath(Path("C/ECU").c_str());
        QTreeWidgetItem* leaf = tree.Item(Find(tree, Path("C/ECU/OLD")));
        QTreeWidgetItem* other = tree.Item(Find(tree, Path("C/OTHER")));
        QTreeWidgetItem* parent = tree.Item(Find(tree, Path("C")));
        QCOMPARE(leaf->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
        // Hidden folders do not count as subfolders.
        QCOMPARE(other->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
        QCOMPARE(parent->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    }

    void classify_volume_data()
    {
        QTest::addColumn<QString>("root");
        QTest::addColumn<QString>("fileSystem");
        QTest::addColumn<bool>("removableDevice");
        QTest::addColumn<VolumeKind>("kind");
        QTest::newRow("root on overlay") << "/"
                                         << "overlay" << false << VolumeKind::Fixed;
        QTest::newRow("home partition") << "/home"
                                        << "ext4" << false << VolumeKind::Fixed;
        QTest::newRow("stick under /media") << "/media/u/STICK"
                                            << "vfat" << false << VolumeKind::Removable;
        QTest::newRow("stick under /run/media") << "/run/media/u/STICK"
                                                << "exfat" << false << VolumeKind::Removable;
        QTest::newRow("removable device elsewhere") << "/mnt/card"
                                                    << "ext4" << true << VolumeKind::Removable;
        QTest::newRow("CD-ROM") << "/media/u/CD"
                                << "iso9660" << true << VolumeKind::CdRom;
        QTest::newRow("DVD") << "/mnt/dvd"
                             << "udf" << false << VolumeKind::CdRom;
        QTest::newRow("NFS") << "/mnt/nas"
                             << "nfs4" << false << VolumeKind::Network;
        QTest::newRow("Samba") << "/srv/share"
                               << "cifs" << false << VolumeKind::Network;
        QTest::newRow("sshfs") << "/home/u/remote"
                               << "fuse.sshfs" << false << VolumeKind::Network;
        QTest::newRow("tmpfs") << "/tmp"
                               << "tmpfs" << false << VolumeKind::Hidden;
        QTest::newRow("ramfs") << "/mnt/ram"
                               << "ramfs" << false << VolumeKind::Hidden;
        QTest::newRow("proc") << "/proc"
                              << "proc" << false << VolumeKind::Hidden;
        QTest::newRow("under /sys") << "/sys/fs/fuse"
                                    << "ext4" << false << VolumeKind::Hidden;
        QTest::newRow("under /run") << "/run/user/1000/doc"
                                    << "fuse" << false << VolumeKind::Hidden;
        QTest::newRow("snap image") << "/snap/core/1"
                                    << "squashfs" << false << VolumeKind::Hidden;
    }

    void classify_volume()
    {
        QFETCH(QString, root);
        QFETCH(QString, fileSystem);
        QFETCH(bool, removableDevice);
        QFETCH(VolumeKind, kind);
        QCOMPARE(CFolderTree::ClassifyVolume(root.toStdString(), fileSystem.toStdString(),
                                             removableDevice),
                 kind);
    }

    void mounted_volumes_start_with_the_root()
    {
        CFolderTree::SetVolumeSource(nullptr);
        std::vector<FolderTreeVolume> volumes = CFolderTree::MountedVolumes();
        QVERIFY(!volumes.empty());
        QCOMPARE(volumes[0].rootPath, std::string("/"));
        for (const FolderTreeVolume& volume : volumes)
            QVERIFY(volume.kind != VolumeKind::Hidden);
        UseTemporaryRoot();
    }
};

QTEST_MAIN(TestFolderTree)
#include "tst_folder_tree.moc"
