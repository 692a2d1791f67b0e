#include "Signing.h"

#include <cstdlib>
#include <ostream>
#include <random>
#include <vector>

#include "Commands.h"
#include "SingleFile.h"
#include "util/PeImage.h"

#ifdef _WIN32
#include <process.h>
#else
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace lorvel::tool {

namespace {

#ifdef _WIN32
constexpr char kPathSeparator = ';';
constexpr const char* kSigner = "osslsigncode.exe";
#else
constexpr char kPathSeparator = ':';
constexpr const char* kSigner = "osslsigncode";
#endif

// The signer as the command search would find it; empty when it is not installed.
fs::path FindSigner()
{
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    std::error_code ec;
    for (std::size_t start = 0; start <= folders.size();) {
        std::size_t end = folders.find(kPathSeparator, start);
        if (end == std::string::npos) end = folders.size();
        const std::string folder = folders.substr(start, end - start);
        if (!folder.empty() && fs::is_regular_file(fs::path(folder) / kSigner, ec)) return fs::path(folder) / kSigner;
        start = end + 1;
    }
    return {};
}

// Runs the program with the arguments, no shell between; its exit status, or -1 when
// it could not be started.
int RunProgram(const fs::path& program, const std::vector<std::string>& arguments)
{
#ifdef _WIN32
    // The C library joins the arguments with spaces: each is quoted as the
    // command-line parser reads quotes back.
    std::vector<std::wstring> quoted;
    for (const std::string& argument : arguments) {
        std::wstring text = L"\"";
        std::size_t slashes = 0;
        for (const wchar_t c : fs::path(argument).wstring()) {
            if (c == L'\\') {
                ++slashes;
            } else {
                text.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
                slashes = 0;
            }
            text += c;
        }
        text.append(slashes, L'\\');
        quoted.push_back(text + L"\"");
    }
    std::vector<const wchar_t*> argv;
    const std::wstring name = program.wstring();
    argv.push_back(name.c_str());
    for (const std::wstring& q : quoted) argv.push_back(q.c_str());
    argv.push_back(nullptr);
    const intptr_t status = ::_wspawnv(_P_WAIT, name.c_str(), argv.data());
    return static_cast<int>(status);
#else
    std::vector<std::string> all = {program.string()};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (::posix_spawn(&child, all[0].c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    if (::waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

std::string Missing()
{
    return std::string(kSigner) + " is not installed (on Debian: apt install osslsigncode)";
}

}  // namespace

std::string SignOptionsProblem(const SignOptions& o)
{
    const bool pem = !o.cert.empty() || !o.key.empty();
    if (pem && !o.pkcs12.empty()) return "give --cert and --key, or --pkcs12, not both";
    if (!o.pkcs12.empty()) return {};
    if (o.cert.empty() || o.key.empty()) return "signing needs --cert and --key, or --pkcs12";
    return {};
}

bool SignFile(const fs::path& file, const SignOptions& o, std::string& error)
{
    if (error = SignOptionsProblem(o); !error.empty()) return false;
    const fs::path signer = FindSigner();
    if (signer.empty()) {
        error = Missing();
        return false;
    }
    std::random_device random;
    const fs::path signedFile =
        file.parent_path() / ("." + file.filename().string() + ".signed-" + std::to_string(random()));
    std::vector<std::string> arguments = {"sign", "-h", "sha256"};
    if (!o.pkcs12.empty()) {
        arguments.insert(arguments.end(), {"-pkcs12", o.pkcs12.string()});
    } else {
        arguments.insert(arguments.end(), {"-certs", o.cert.string(), "-key", o.key.string()});
    }
    if (!o.passwordFile.empty()) arguments.insert(arguments.end(), {"-readpass", o.passwordFile.string()});
    if (!o.timestamp.empty()) arguments.insert(arguments.end(), {"-ts", o.timestamp});
    arguments.insert(arguments.end(), {"-in", file.string(), "-out", signedFile.string()});
    const int status = RunProgram(signer, arguments);
    std::error_code ec;
    if (status != 0) {
        fs::remove(signedFile, ec);
        error = Shown(file) + ": " + kSigner + " could not sign it (exit status " + std::to_string(status) +
                "); the file is left unsigned";
        return false;
    }
    fs::rename(signedFile, file, ec);
    if (ec) {
        fs::remove(signedFile, ec);
        error = Shown(file) + ": the signed file cannot take its place: " + ec.message();
        return false;
    }
    return true;
}

int RunSign(const SignCommand& command, std::ostream& out, std::ostream& err)
{
    std::string error;
    if (!SignFile(command.file, command.sign, error)) {
        err << "lorvel sign: " << error << "\n";
        return kExitError;
    }
    out << "signed " << Shown(command.file) << " (SHA-256)\n";
    return kExitClean;
}

int RunVerify(const VerifyOptions& options, std::ostream& out, std::ostream& err)
{
    std::string error;
    const auto bytes = ReadHostFile(options.file, error);
    if (!bytes) {
        err << "lorvel verify: " << error << "\n";
        return kExitError;
    }
    bool holds = true;
    const SingleFileCheck check = CheckSingleFile(*bytes);
    if (check.carries) {
        holds = check.result.fault == CarriedFault::None;
        out << (holds ? "medium: " : "medium: FAILED: ") << DescribeCarriedFault(check.result) << "\n";
    } else {
        out << "medium: none (a plain SETUP.EXE)\n";
    }
    if (!PeIsSigned(*bytes)) {
        out << "signature: none\n";
        return holds ? kExitClean : kExitError;
    }
    const fs::path signer = FindSigner();
    if (signer.empty()) {
        err << "lorvel verify: " << Missing() << "\n";
        return kExitError;
    }
    std::vector<std::string> arguments = {"verify"};
    if (!options.caFile.empty()) arguments.insert(arguments.end(), {"-CAfile", options.caFile.string()});
    arguments.insert(arguments.end(), {"-in", options.file.string()});
    const int status = RunProgram(signer, arguments);
    out << (status == 0 ? "signature: holds\n" : "signature: FAILED (see the report above)\n");
    return holds && status == 0 ? kExitClean : kExitError;
}

}  // namespace lorvel::tool
