// Installing one ECU software from its ".INSTALL" description: the software file is copied
// into the working directory and recorded in the catalogue. No window is opened here: the
// engine emits what went wrong, and the installation dialog shows it.
//
//   InstallEngine engine(workspace);
//   connect(&engine, &InstallEngine::Failed, ...);   // show or record the failures
//   const bool installed = engine.Install(descriptionPath);
#pragma once

#include "core/messages.h"
#include "core/workspace.h"

#include <QObject>

#include <optional>
#include <string>

// What became of one description.
struct InstallOutcome
{
    bool installed = false;
    // The copy's own result (CFileTools) when the copy failed, and the two paths its message
    // names; 0 when the copy was not the failure.
    int copyResult = 0;
    std::string source;
    std::string destination;
    // The catalogue exists but could not be read (its own box, shown before the failure's).
    std::optional<ErrorReport> catalogueFailure;
};

// Installs the software described by the file at `description`: "car" of "VEICOLI", "ecu" and
// "name" of "ECU". Descriptions whose vehicle name could not be stored in the catalogue and read
// back, or whose "ecu" is no software file name, are refused before anything is copied. The
// software keeps its name in the working directory only once the catalogue lists it: when the
// copy or the catalogue fails, the working directory is left as it was.
InstallOutcome InstallDescription(const std::string& description, const Workspace& workspace);

// Whether `name` may be installed as software: of the form BASE.EXT_SIZE (BASE not empty, the
// size in decimal after the last "_"), without folder, blank at either end or control
// character, and none of the working directory's own files (compared without regard to case).
bool IsSoftwareFileName(const std::string& name, const Workspace& workspace);

// Whether `name` can name a vehicle: a section and a value of "ECU.INI" that read back as
// written, other than the vehicles' own section "VEICOLI".
bool IsVehicleName(const std::string& name);

// The installation as the dialog drives it, one description at a time.
class InstallEngine : public QObject
{
    Q_OBJECT

public:
    explicit InstallEngine(const Workspace& workspace, QObject* parent = nullptr);

    // Installs the software `description` names (see InstallDescription). What went wrong on
    // the way (the catalogue that cannot be read, the copy that failed to open a file) goes out
    // as Failed before it returns. Returns whether the software is installed.
    bool Install(const std::string& description);

signals:
    void Failed(const ErrorReport& report);

private:
    const Workspace& workspace_;
};
