// rq50-cli register keygen and trust: the user's signing key, made once and
// kept for its owner only, and the public keys the register checks
// signatures against.
#include "cli/Cli.h"
#include "cli/CliSupport.h"
#include "cli/InstrumentSession.h"
#include "cli/RegisterWork.h"
#include "files/RecordFile.h"
#include "register/PlantRegister.h"
#include "register/Signing.h"
#include "shell/PlatformFile.h"

#include <iostream>
#include <string>

namespace rq50::cli::plantreg {

ExitCode Keygen(plant::PlantRegister& reg, const std::string& user,
                const std::filesystem::path& keyFile) {
    if (!plant::SigningAvailable()) {
        Note(plant::kNoSigning);
        return ExitCode::SystemError;
    }
    const std::string path = shell::platform::Utf8FromPath(keyFile);
    // A key already there is kept (records signed with it must stay
    // checkable) and registered where it is not yet.
    auto key = plant::ReadKeyFile(keyFile);
    const bool made = !key;
    if (made) {
        key = plant::NewSigningKey(user);
        if (const std::string error = plant::WriteKeyFile(keyFile, *key); !error.empty()) {
            Note(error + "; no key was made");
            return ExitCode::SystemError;
        }
    } else if (key->user != user) {
        Note(path + " holds the key of " + key->user + ", not of " + user +
             "; nothing was registered");
        return ExitCode::SystemError;
    }
    const bool added = reg.AddKey(key->user, key->publicKey);
    const std::string pub = shell::platform::Utf8FromPath(plant::PublicKeyFileOf(keyFile));
    if (Link().json) {
        PrintJson({{"user", key->user},
                   {"key", key->Id()},
                   {"public_key", key->publicKey},
                   {"file", path},
                   {"public_file", pub},
                   {"made", made},
                   {"registered", added}});
        return ExitCode::Ok;
    }
    std::cout << (made ? "made key " : "key ") << key->Id() << " of " << key->user << " (" << path
              << ", for its owner only)"
              << (added ? "; registered in " : "; already registered in ") << reg.Db().Location()
              << ".\nYour records are signed with it from now on. Its public key is " << pub
              << ": give it to whoever keeps another register (register trust " << key->user << " "
              << pub << ").\n";
    return ExitCode::Ok;
}

ExitCode Trust(plant::PlantRegister& reg, const RegisterOptions& o) {
    if (!plant::SigningAvailable()) {
        Note(plant::kNoSigning);
        return ExitCode::SystemError;
    }
    files::Bytes bytes;
    if (files::ReadWholeFile(o.other, bytes) != files::FileError::Ok) {
        Note(o.other + " cannot be read; nothing was registered");
        return ExitCode::SystemError;
    }
    const auto key = plant::PublicKeyFrom(std::string(bytes.begin(), bytes.end()));
    if (!key) {
        Note(o.other +
             " holds no public key (register keygen writes signing.pub); nothing was "
             "registered");
        return ExitCode::SystemError;
    }
    const bool added = reg.AddKey(o.name, *key);
    if (Link().json) {
        PrintJson({{"user", o.name}, {"key", plant::KeyIdOf(*key)}, {"registered", added}});
    } else {
        std::cout << "key " << plant::KeyIdOf(*key) << " of " << o.name
                  << (added ? " registered in " : " was already registered in ")
                  << reg.Db().Location() << "\n";
    }
    return ExitCode::Ok;
}

}  // namespace rq50::cli::plantreg
