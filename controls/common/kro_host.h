// What a host needs to use the controls: create one by class id through the registry and its
// library's factory, load it from a property stream, and (un)register a control library.
#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

// Creates the control or property page registered under `classId` (e.g.
// "{3A7ECCC5-1227-11D4-B319-0000B45078DC}") as a child of `parent`. Returns nullptr, and says
// why in `error`, when the class is not registered or its library cannot serve it. A library
// once loaded stays loaded.
QWidget* CreateControlByClassId(const QString& classId, QWidget* parent = nullptr,
                                QString* error = nullptr);

// Loads a control created above from its property stream; false (the control then shows its
// defaults) when the stream cannot be read.
bool LoadControlFromStream(QWidget* control, const QByteArray& stream);

// The same from a dialog's initialisation record: a 32-bit word, the stream, and bytes the
// control does not read.
bool LoadControlFromDialogInit(QWidget* control, const QByteArray& record);

// Calls DllRegisterServer (or DllUnregisterServer) of the library at `path` and returns its
// result; a library that cannot be loaded or lacks the export gives -1 and says why in `error`.
long RegisterControlLibrary(const QString& path, bool unregister = false,
                            QString* error = nullptr);
