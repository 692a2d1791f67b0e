// lorvel: the script author's tool. Subcommands check a setup script, pack a medium,
// dry-run an install on a simulated machine, compress or expand single files, and
// print the script reference.
#include <CLI/CLI.hpp>

#include <iostream>

#include "Commands.h"
#include "DryRun.h"
#include "HostText.h"
#include "Pack.h"
#include "Reference.h"
#include "Signing.h"

int main(int argc, char** argv)
{
    using namespace lorvel::tool;
    CLI::App app{"lorvel: check a setup script, pack a medium, see what an install will do"};
    app.require_subcommand(1);
    // Paths such as /tmp/medium are arguments, not Windows-style options, on every host.
    app.allow_windows_style_options(false);

    CompressOptions compress;
    auto* compressCommand = app.add_subcommand(
        "compress",
        "Compress one file the conventional way: README.TXT becomes README.TX_ with \"T\" kept in its header");
    compressCommand->add_option("file", compress.input, "The file to compress")->required()->check(CLI::ExistingFile);
    compressCommand->add_option("-o,--output", compress.output,
                                "Where to write it (default: the conventional name beside it)");
    compressCommand->add_flag("-f,--force", compress.force, "Replace an existing output file");

    CompressOptions expand;
    auto* expandCommand = app.add_subcommand(
        "expand", "Expand one compressed file under the name the platform's GetExpandedNameA gives it");
    expandCommand->add_option("file", expand.input, "The compressed file")->required()->check(CLI::ExistingFile);
    expandCommand->add_option("-o,--output", expand.output, "Where to write it (default: the expanded name beside it)");
    expandCommand->add_flag("-f,--force", expand.force, "Replace an existing output file");

    CheckOptions check;
    auto* checkCommand = app.add_subcommand(
        "check",
        "Report what SETUP.EXE would silently pass over in a setup script. Exit status: 0 clean, 1 warnings, 2 errors");
    checkCommand->add_option("path", check.path, "A medium folder (or its DISK1 folder), or the script itself")
        ->required();
    checkCommand->add_flag("--werror", check.werror, "Treat warnings as errors (exit status 2)");

    PackOptions pack;
    std::string diskSize;
    std::string compressMode = "auto";
    auto* packCommand = app.add_subcommand(
        "pack",
        "Lay out a ready medium: SETUP.EXE, the script in Shift-JIS with CR LF, the [CopyFile] sources compressed"
        " where that saves space, on DISK1, DISK2, ... of the given size; then check it");
    packCommand->add_option("script", pack.script, "The setup script (UTF-8 or Shift-JIS)")
        ->required()
        ->check(CLI::ExistingFile);
    packCommand->add_option("sources", pack.sources, "The folder holding the files the script copies")
        ->required()
        ->check(CLI::ExistingDirectory);
    packCommand->add_option("output", pack.output, "The medium folder to create (or give --single-file)");
    packCommand->add_option("--single-file", pack.singleFile,
                            "Instead of a folder, write one program that carries the medium (SETUP.EXE, the script and"
                            " the files), for a download");
    packCommand->add_flag("--sign", pack.sign, "Sign the single file (Authenticode, SHA-256) with the options below");
    auto addSignOptions = [](CLI::App* command, SignOptions& sign) {
        command->add_option("--cert", sign.cert, "PEM certificate (with its chain)")->check(CLI::ExistingFile);
        command->add_option("--key", sign.key, "PEM private key")->check(CLI::ExistingFile);
        command->add_option("--pkcs12", sign.pkcs12, "Certificate and key in one PKCS#12 file")
            ->check(CLI::ExistingFile);
        command->add_option("--password-file", sign.passwordFile, "A file holding the key's password")
            ->check(CLI::ExistingFile);
        command->add_option("--timestamp", sign.timestamp, "An RFC 3161 time-stamping server's address");
    };
    addSignOptions(packCommand, pack.signing);

    SignCommand sign;
    auto* signCommand = app.add_subcommand(
        "sign", "Sign a program (a single file, say) with Authenticode and SHA-256, by osslsigncode");
    signCommand->add_option("file", sign.file, "The program to sign in place")->required()->check(CLI::ExistingFile);
    addSignOptions(signCommand, sign.sign);

    VerifyOptions verify;
    auto* verifyCommand = app.add_subcommand(
        "verify", "Say whether a single file's carried medium and its signature hold. Exit status: 0 both hold, 2 not");
    verifyCommand->add_option("file", verify.file, "The single file (or any SETUP.EXE)")
        ->required()
        ->check(CLI::ExistingFile);
    verifyCommand->add_option("--ca-file", verify.caFile, "The certificates to trust (default: the system's)")
        ->check(CLI::ExistingFile);
    packCommand
        ->add_option("--disk-size", diskSize,
                     "Disk capacity: 1.44M, 2.88M, 650M or bytes with K, M or G (default: one folder)")
        ->check(
            [](const std::string& text) { return ParseDiskSize(text) ? std::string() : "not a disk size: " + text; });
    packCommand->add_option("--compress", compressMode, "auto: where it saves space (default); all; none")
        ->check(CLI::IsMember({"auto", "all", "none"}));
    packCommand
        ->add_option("--setup-exe", pack.setupExe, "The SETUP.EXE to ship (default: the one in the source folder)")
        ->check(CLI::ExistingFile);
    packCommand->add_flag("-f,--force", pack.force, "Replace an existing output folder (and zip)");
    packCommand->add_option("--zip", pack.zip,
                            "Also write this zip of the medium (one folder), for package managers that take a nested"
                            " installer in a zip");

    DryRunOptions dryRun;
    std::string format = "text";
    auto* dryRunCommand = app.add_subcommand(
        "dry-run",
        "Run the install (and with --uninstall the uninstall) on a fresh simulated Windows machine, unattended"
        " as a deployment runs it (/SILENT /ANSWERS=), and report what it would do: the wizard, each phase,"
        " the questions and answers, files, shortcuts, registry, profile entries, the record, the exit code");
    dryRunCommand->add_option("medium", dryRun.medium, "A medium folder (or its DISK1 folder), or its script")
        ->required();
    dryRunCommand
        ->add_option("--answers", dryRun.answers,
                     "Answers file: [Wizard] Folder=, OverWrite=, Desktop=, StartMenu=, StartUp=, SendTo= (1 or 0);"
                     " [Answers] <box caption>=Yes|No|OK|Cancel; [Uninstall] Shared=Yes|No|Delete|Save."
                     " What it leaves out takes the unattended run's defaults")
        ->check(CLI::ExistingFile);
    dryRunCommand->add_flag("--uninstall", dryRun.uninstall, "Then uninstall from the record and report what remains");
    dryRunCommand->add_option("--format", format, "text (default) or json")->check(CLI::IsMember({"text", "json"}));

    auto* referenceCommand =
        app.add_subcommand("reference", "Print the reference of every section and key the program reads, in Markdown"
                                        " (docs/script-reference.md)");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : kExitError;
    }
    if (*compressCommand) return RunCompress(compress, std::cout, std::cerr);
    if (*expandCommand) return RunExpand(expand, std::cout, std::cerr);
    if (*checkCommand) return RunCheck(check, std::cout, std::cerr);
    if (*signCommand) return RunSign(sign, std::cout, std::cerr);
    if (*verifyCommand) return RunVerify(verify, std::cout, std::cerr);
    if (*referenceCommand) return RunReference(std::cout);
    if (*dryRunCommand) {
        dryRun.json = format == "json";
        return RunDryRun(dryRun, std::cout, std::cerr);
    }
    if (*packCommand) {
        if (!diskSize.empty()) pack.diskSize = *ParseDiskSize(diskSize);
        pack.compress = compressMode == "all"    ? CompressMode::All
                        : compressMode == "none" ? CompressMode::None
                                                 : CompressMode::Auto;
        pack.progress = ErrorStreamIsTerminal();
        return RunPack(pack, std::cout, std::cerr);
    }
    return kExitError;
}
