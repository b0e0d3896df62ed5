// The calls the program makes into the link library, behind an interface so that tests can
// stand in for the library; LoadLinkLibrary gives the real one, resolved by ordinal.
//
//   std::unique_ptr<LinkApi> api = LoadLinkLibrary(&error);   // COMMVELANTO via QLibrary
//   api->Init(window, 0); api->OpenDevice(id, "/dev/ttyUSB0", 19200, area); api->Send(...); ...
#pragma once

#include <QString>

#include <memory>
#include <string>

class QObject;

class LinkApi
{
public:
    virtual ~LinkApi() = default;
    virtual int Init(QObject* window, int reserved) = 0; // 2
    virtual int Release(int linkId) = 0;                 // 3
    // 14: opens a device by its path, as ordinal 4 opens the device of a COM port.
    virtual int OpenDevice(int linkId, const std::string& device, int baud,
                           unsigned char* area) = 0;
    virtual void ClosePort(int linkId) = 0; // 5
    virtual int Receive(QObject** window, int linkId, unsigned char* response, int* length) = 0;
    virtual int Send(QObject* window, int linkId, const unsigned char* frame, int size) = 0;
    virtual std::string Version() = 0;   // 8
    virtual std::string Date() = 0;      // 9
    virtual void Cancel(int linkId) = 0; // 11
    // Why the last OpenPort failed, for the user; may be empty.
    virtual std::string PortError(int linkId) = 0;
    // The same as a proto::PortReason (13); 0 when the library cannot say.
    virtual int PortErrorReason(int /*linkId*/) { return 0; }
};

// Returns where the program looks for the link library: $ZOLT_LINK_LIBRARY, else
// libCOMMVELANTO.so beside the program, in the installed private folder or in ../bin from the
// program, else the plain library name.
QString DefaultLinkLibraryPath();

// Loads the link library at `path` (default: DefaultLinkLibraryPath()) and resolves its entry
// points by ordinal. Returns null with the reason in `error` when the library or an entry point
// is missing.
std::unique_ptr<LinkApi> LoadLinkLibrary(QString* error, const QString& path = {});
