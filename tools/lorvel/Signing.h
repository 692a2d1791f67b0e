// Authenticode signing and its check, by Debian's osslsigncode found at run time: a
// well-kept implementation of the format rather than one of our own.
#pragma once

#include <iosfwd>
#include <string>

#include "HostFiles.h"

namespace lorvel::tool {

struct SignOptions {
    fs::path cert;          // PEM certificate (chain), with key
    fs::path key;           // PEM private key
    fs::path pkcs12;        // or both in one PKCS#12 file
    fs::path passwordFile;  // the key's password, when it has one
    std::string timestamp;  // an RFC 3161 time-stamping server's address; empty: none
};

// "" when the options name a certificate and key one way or the other.
std::string SignOptionsProblem(const SignOptions& options);

// Signs the file in place with SHA-256: the signed file replaces it only when the
// signing succeeded. False with the reason in error.
bool SignFile(const fs::path& file, const SignOptions& options, std::string& error);

struct VerifyOptions {
    fs::path file;
    fs::path caFile;  // the certificates to trust; empty: the system's
};

// Reports whether the signature and the carried medium hold; 0 when every part
// present holds, kExitError otherwise.
int RunVerify(const VerifyOptions& options, std::ostream& out, std::ostream& err);

struct SignCommand {
    fs::path file;
    SignOptions sign;
};
int RunSign(const SignCommand& command, std::ostream& out, std::ostream& err);

}  // namespace lorvel::tool
