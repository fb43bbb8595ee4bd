#pragma once
#include <QString>
#include <QStringList>

// The firmware package as it lies in the application directory after extraction:
// clean-up, completeness check and the model it is built for.

// The entries a package may bring, at the top level of the application directory.
QStringList packageEntryNames();

// Removes the entries of an earlier package ("usb_updater.bin" stays).
bool cleanPackageFiles();
// Whether "auto_update.txt", "scripts", "kernel" and a model file are present.
bool checkPackageFiles();
// Reads the model number from "miservice.ubifs" (else "model.dat"); false when neither
// exists or no model name is found.
bool readPackageModel(int &model);
bool pathExists(const QString &path);
bool removePath(const QString &path);
