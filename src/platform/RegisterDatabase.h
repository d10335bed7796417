#pragma once

// The register's database on Qt SQL: SQLite (a file, WAL journal, writers
// waiting for each other) or PostgreSQL (a server, by a libpq-style URI).

#include <memory>
#include <string>

#include "register/Database.h"
#include "register/Recorder.h"

namespace rq50::platform {

/// Opens the register `name`: "sqlite:PATH" or
/// "postgresql://user[:password]@[host][:port]/dbname[?host=SOCKETDIR&port=N]".
/// RegisterError, naming the register (its password as "***") and the
/// reason, when it cannot be reached or is not a SQLite file; a damaged or
/// foreign file is left as it is. Every statement has a 5 s time limit.
std::unique_ptr<plant::Database> OpenRegisterDatabase(const std::string& name);
/// The register `name` to read: as OpenRegisterDatabase, but a SQLite file
/// that cannot be opened for writing (a file or folder the user cannot
/// write, a full disk) is opened for reading only. Nothing is made.
std::unique_ptr<plant::Database> OpenRegisterForReading(const std::string& name);

/// The recorder of the register `flag` names (else the environment, the
/// settings or the user data folder's file: plant::RegisterName), as this
/// user on this computer. The register is opened on the first record.
std::unique_ptr<plant::Recorder> MakeRecorder(const shell::SettingsStore* settings,
                                              const std::string& flag = {});

}  // namespace rq50::platform
