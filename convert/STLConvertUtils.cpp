#include "convert/STLConvertUtils.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <span>
#include <sys/stat.h>

#include "lang/STLCustomLangUtils.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "platform/TextUtils.h"
#include "platform/Trace.h"
#include "qc/QualityCheck.h"
#include "stl/STLBlocks.h"
#include "stl/STLCodePages.h"
#include "stl/STLReader.h"
#include "stl/STLWriter.h"

namespace {

constexpr const char* kRoutine = "ConvertSTLFile";

// Blocks are written a buffer at a time; the whole file is thrown away on any failure, so
// nothing is lost by holding them back.
constexpr size_t kWriteBufferSize = 1024 * 1024;

// Values of the choice settings 1, 2, ... (0 keeps the source's value).
constexpr const auto& kCodePageNumbers = STL_CODE_PAGE_NUMBERS;
constexpr int32_t kCustomCodePageNumber = 6;
constexpr const char* kCharacterCodeTableNumbers[] = {"00", "01", "02", "03", "04"};
constexpr const char* kDisplayStandardCodes[] = {" ", "0", "1", "2"};

void Report(const TReportFunction& report, int32_t type, const std::string& text) {
    if (report)
        report(type, text.c_str());
}

// Blanks over the whole field, then as much of value as fits, from the start.
void SetGsiField(uint8_t* gsi, TGsiFieldId id, const std::string& value) {
    const TGsiField& field = GsiField(id);
    std::memset(gsi + field.Offset, ' ', size_t(field.Width));
    std::memcpy(gsi + field.Offset, value.data(), std::min(value.size(), size_t(field.Width)));
}

// 0 keeps the field, 1 to n set choice n; false for any other source value.
bool SetGsiFieldFromChoice(uint8_t* gsi, TGsiFieldId id, int32_t source,
                           std::span<const char* const> choices) {
    if (source == 0)
        return true;
    if (source < 1 || size_t(source) > choices.size())
        return false;
    SetGsiField(gsi, id, choices[size_t(source) - 1]);
    return true;
}

// "<path>: <FIELD>[ block <n>]: <text>", so that a message names its file in a run of many.
std::string QualityFindingText(const std::string& path, const TQcFinding& finding) {
    std::string text = path + ": " + finding.Field;
    if (finding.Block > 0)
        text += " block " + std::to_string(finding.Block);
    return text + ": " + finding.Text;
}

// The quality check of the source before anything is written or moved: every finding as a
// Warning or Error message. The refusal when the settings refuse a file with errors and it
// has some, else empty; with the check off the file is not even read.
std::string QualityGate(const std::string& source, int32_t mode, const TReportFunction& report) {
    if (mode != qcReport && mode != qcRefuse)
        return {};
    const TQcReport qc = CheckSTLFile(source);
    for (const TQcFinding& finding : qc.Findings)
        Report(report, finding.Severity == TQcSeverity::Error ? rtError : rtWarning,
               QualityFindingText(source, finding));
    const int errors = qc.Errors();
    if (mode == qcRefuse && errors > 0)
        return "Quality check failed for " + source + ": " + std::to_string(errors);
    return {};
}

// A refusal of the settings or the file name: nothing lies below it.
TConvertOutcome Refused(TConvertFault fault, std::string text) {
    return {fault, std::move(text), {}};
}

// The system's reason for the call that just failed; read before anything else may change
// errno.
std::string SystemCause() {
    return errno != 0 ? std::strerror(errno) : std::string();
}

// What a path names, looked up once: whether it is a file (anything but a folder, as
// FileExists has it) and which one.
struct TFileIdentity {
    bool IsFile = false;
    dev_t Device = 0;
    ino_t Inode = 0;
    bool Found = false;

    explicit TFileIdentity(const std::string& path) {
        struct stat st = {};
        Found = ::stat(path.c_str(), &st) == 0;
        IsFile = Found && !S_ISDIR(st.st_mode);
        Device = st.st_dev;
        Inode = st.st_ino;
    }
    // The same file (the same path, a second name of it, or a path through a link).
    bool SameAs(const TFileIdentity& other) const {
        return Found && other.Found && Device == other.Device && Inode == other.Inode;
    }
};

// The destination reaches the disk before its rename into place, and its folder after it:
// after a power loss it is absent or complete, never an empty file playout would take.
constexpr TDurability kDestinationDurability = TDurability::Durable;

// One call of ConvertSTLFile. The destination is written under a hidden name and only
// renamed into place once complete; whatever way the call ends, the writer is released
// before that hidden file is removed.
class TConversion {
public:
    TConversion(const std::string& sourceFile, const TSTLConvertSettings& settings,
                const TReportFunction& report)
        : source_(sourceFile), settings_(settings), report_(report) {}
    ~TConversion() { RemoveOutput(); }
    TConversion(const TConversion&) = delete;
    TConversion& operator=(const TConversion&) = delete;

    TConvertOutcome Run(const std::string& destinationFile);

private:
    // The outcome of a fault: its Error reported (when it has a text), nothing of the output
    // left.
    TConvertOutcome Fail(TConvertFault fault, const std::string& text, std::string cause = {});
    TConvertOutcome Refuse(TConvertOutcome refusal);
    void RemoveOutput();

    TConvertOutcome ClearDestination(const TFileIdentity& source,
                                     const std::string& destinationFile);

    TConvertOutcome RewriteLanguage(uint8_t* gsi) const;
    TConvertOutcome RewriteTapeID(uint8_t* gsi) const;
    TConvertOutcome RewriteCodedFields(uint8_t* gsi) const;
    bool IsZeroPage(const uint8_t* block) const;
    TConvertOutcome CopyBlocks();
    TConvertOutcome CopyBlocksUnchanged(uint32_t count);
    TConvertOutcome MoveSource();

    const std::string& source_;
    const TSTLConvertSettings& settings_;
    const TReportFunction& report_;
    std::string destination_;
    bool replacing_ = false; // a destination is there and the new file is to replace it
    std::unique_ptr<TAtomicFile> output_; // the destination under its hidden name
    std::unique_ptr<TSTLReader> reader_;
    std::unique_ptr<TSTLWriter> writer_;
};

TConvertOutcome TConversion::Fail(TConvertFault fault, const std::string& text, std::string cause) {
    TConvertOutcome outcome{fault, text, std::move(cause)};
    if (!text.empty())
        Report(report_, rtError, text);
    // What lies below the Error, for the operator to act on.
    if (!text.empty() && !outcome.Cause.empty())
        Report(report_, rtInfo, "Reason: " + outcome.Cause);
    RemoveOutput();
    reader_.reset();
    return outcome;
}

TConvertOutcome TConversion::Refuse(TConvertOutcome refusal) {
    return Fail(refusal.Fault, refusal.Text);
}

// A failed deletion is not reported: the hidden name matches no subtitle file mask.
void TConversion::RemoveOutput() {
    writer_.reset();
    output_.reset();
}

// Names the destination: refused when it is the source, or when it exists and may not be
// overwritten. One that may stays in place until the new file is renamed over it, so a
// refused or failed re-delivery leaves what was delivered.
TConvertOutcome TConversion::ClearDestination(const TFileIdentity& source,
                                              const std::string& destinationFile) {
    if (!destinationFile.empty()) {
        destination_ = destinationFile;
    } else {
        if (settings_.DestinationFolder.empty()) {
            TraceCall(kRoutine);
            return Fail(TConvertFault::NoDestinationFolder, {});
        }
        destination_ = IncludeTrailingSlash(settings_.DestinationFolder) + ExtractFileName(source_);
    }

    // Deleting the existing destination would delete the source.
    const TFileIdentity destination(destination_);
    if (destination.SameAs(source))
        return Fail(TConvertFault::DestinationIsSource,
                    "Destination STL file is the source file " + destination_);

    if (destination.IsFile) {
        if (!settings_.OverrideDestination)
            return Fail(TConvertFault::DestinationExists,
                        "Duplicated destination STL file " + destination_);
        replacing_ = true;
    }
    return {};
}

TConvertOutcome TConversion::Run(const std::string& destinationFile) {
    const TFileIdentity source(source_);
    if (!source.IsFile)
        return Fail(TConvertFault::SourceMissing, "Source STL file " + source_ + " not found.");

    const std::string qualityRefusal = QualityGate(source_, settings_.QualityCheck, report_);
    if (!qualityRefusal.empty())
        return Fail(TConvertFault::QualityCheckRefused, qualityRefusal);
    if (TConvertOutcome cleared = ClearDestination(source, destinationFile); !cleared.Succeeded())
        return cleared;

    reader_ = std::make_unique<TSTLReader>();
    writer_ = std::make_unique<TSTLWriter>();
    if (reader_->OpenFile(source_, true) != STATUS_OK)
        return Fail(TConvertFault::CannotOpenSource, "Cannot open source STL file " + source_,
                    reader_->OpenFailure());

    uint8_t* gsi = nullptr;
    if (reader_->GetGeneralSubtitleInformation(gsi) != STATUS_OK || gsi == nullptr)
        return Fail(TConvertFault::CannotReadHeader,
                    "Cannot retrieve General Subtitle Information block");

    for (auto rewrite : {&TConversion::RewriteLanguage, &TConversion::RewriteTapeID,
                         &TConversion::RewriteCodedFields}) {
        TConvertOutcome refusal = (this->*rewrite)(gsi);
        if (!refusal.Succeeded())
            return Refuse(std::move(refusal));
    }

    // Big enough for the whole file in the usual case: one write for the blocks, one for
    // the header.
    writer_->SetWriteBufferSize(std::min<size_t>(
        kWriteBufferSize,
        size_t(std::max<uint32_t>(1, reader_->GetTextAndTimingInformationCount())) *
            TTI_BLOCK_SIZE));
    output_ = std::make_unique<TAtomicFile>(destination_, kDestinationDurability);
    errno = 0; // from here on a failure's errno is the writing's own
    if (!output_->Create() || writer_->OpenFile(output_->File()) != STATUS_OK)
        return Fail(TConvertFault::CannotCreateDestination,
                    "Cannot create destination STL file " + destination_, SystemCause());

    if (writer_->SetGeneralSubtitleInformation(gsi) != STATUS_OK)
        return Fail(TConvertFault::CannotWriteDestination,
                    "Cannot apply General Subtitle Information block", SystemCause());

    if (TConvertOutcome copied = CopyBlocks(); !copied.Succeeded())
        return copied;

    reader_->CloseFile();
    errno = 0;
    writer_->CloseFile();
    const bool complete = writer_->IsFileComplete();
    // The blocks went out but the header did not (a full disk, typically).
    if (!complete)
        return Fail(TConvertFault::CannotWriteDestination,
                    "Cannot apply General Subtitle Information block", SystemCause());
    reader_.reset();
    writer_.reset();

    errno = 0;
    if (!output_->Commit(settings_.OverrideDestination ? TReplace::Overwrite : TReplace::Refuse)) {
        if (errno == EEXIST)
            return Fail(TConvertFault::DestinationExists,
                        "Duplicated destination STL file " + destination_);
        const int error = errno;
        // In place but perhaps not on disk: it is not delivered, and the source stays. A
        // file it replaced is gone already; the new one, complete, is kept rather than
        // leaving nothing.
        const bool inPlace = output_->FailedStep() == TAtomicFile::TStep::FolderFlush;
        if (inPlace && !replacing_)
            DeleteFileAt(destination_);
        errno = error;
        if (replacing_ && output_->FailedStep() == TAtomicFile::TStep::Rename)
            return Fail(TConvertFault::CannotOverwrite,
                        "Cannot overwrite destination STL file " + destination_, SystemCause());
        return Fail(TConvertFault::CannotCreateDestination,
                    "Cannot create destination STL file " + destination_, SystemCause());
    }
    output_.reset();

    return MoveSource();
}

TConvertOutcome TConversion::RewriteLanguage(uint8_t* gsi) const {
    const std::string gsiLanguage =
        STLTextToString(gsi + GsiField(gfLanguageCode).Offset, GsiField(gfLanguageCode).Width);
    const auto longName = [](const std::string& code) {
        return GetCustomLanguageLongNameFromLangCode(code);
    };

    switch (settings_.LanguageSource) {
    case lsPredefined:
        if (settings_.PerformLanguageCheck &&
            !SameFoldedText(gsiLanguage, settings_.LanguagePredefined))
            return Refused(TConvertFault::LanguageCheck,
                           "The predefined language " + longName(settings_.LanguagePredefined) +
                               " is different from the language in GSI - " + longName(gsiLanguage));
        SetGsiField(gsi, gfLanguageCode, settings_.LanguagePredefined);
        return {};

    case lsSource:
    case lsFileName: {
        // Even when the field is kept, the file name must name a known language.
        std::string token;
        if (!GetLanguageFromFileName(source_, &settings_.SubtitleFileTypes, token))
            return Refused(TConvertFault::LanguageNotInFileName,
                           "Cannot retrieve Language from file name");
        int32_t row = 0;
        bool found = false;
        if (token.size() == 2)
            found = GetCustom2CharNameIndex(token, row);
        else if (token.size() == 3)
            found = GetCustom3CharNameIndex(token, row);
        if (!found)
            return Refused(TConvertFault::UnknownLanguageInFileName,
                           "Unknown Language code retreived from the file name " + token);
        const std::string code = STLCustomLanguages.at(size_t(row)).LangCode;
        if (settings_.PerformLanguageCheck && !SameFoldedText(gsiLanguage, code))
            return Refused(TConvertFault::LanguageCheck,
                           "Language from the file name " + longName(token) +
                               " is different from the language in GSI - " + longName(gsiLanguage));
        if (settings_.LanguageSource == lsFileName)
            SetGsiField(gsi, gfLanguageCode, code);
        return {};
    }

    default:
        return {};
    }
}

TConvertOutcome TConversion::RewriteTapeID(uint8_t* gsi) const {
    switch (settings_.TapeIDSource) {
    case tisSource:
        return {};
    case tisPredefined:
        SetGsiField(gsi, gfSubtitleListReferenceCode, settings_.TapeIDPredefined);
        return {};
    default: {
        std::string tapeID;
        if (!GetTapeIDFromFileName(source_, &settings_.SubtitleFileTypes, tapeID))
            return Refused(TConvertFault::TapeIDNotInFileName,
                           "Cannot retrieve TapeID from file name");
        SetGsiField(gsi, gfSubtitleListReferenceCode, tapeID);
        return {};
    }
    }
}

// Time codes, frame rate, code page, character code table and display standard.
TConvertOutcome TConversion::RewriteCodedFields(uint8_t* gsi) const {
    if (settings_.TimeCodeStartOfProgrammeSource == 1)
        SetGsiField(gsi, gfTimeCodeStartOfProgramme, settings_.TimeCodeStartOfProgramme);
    if (settings_.TimeCodeFirstInCueSource == 1)
        SetGsiField(gsi, gfTimeCodeFirstInCue, settings_.TimeCodeFirstInCue);

    if (settings_.FramesPerSecondSource == 1) {
        // Exactly as readers expect it; this is what the file will declare.
        if (settings_.FramesPerSecond != kDiskFormatCode25 &&
            settings_.FramesPerSecond != kDiskFormatCode30)
            return Refused(TConvertFault::InvalidSettings,
                           "Invalid Frames Per Second value - " + settings_.FramesPerSecond);
        SetGsiField(gsi, gfDiskFormatCode, settings_.FramesPerSecond);
    }

    if (settings_.CodePageNumberSource == kCustomCodePageNumber)
        SetGsiField(gsi, gfCodePageNumber, settings_.CodePageNumberCustom);
    else if (!SetGsiFieldFromChoice(gsi, gfCodePageNumber, settings_.CodePageNumberSource,
                                    kCodePageNumbers))
        return Refused(TConvertFault::InvalidSettings,
                       "Invalid Code Page Number source value - " +
                           std::to_string(settings_.CodePageNumberSource));

    if (!SetGsiFieldFromChoice(gsi, gfCharacterCodeTableNumber,
                               settings_.CharacterCodeTableNumberSource,
                               kCharacterCodeTableNumbers))
        return Refused(TConvertFault::InvalidSettings,
                       "Invalid Character Code Table Number source value - " +
                           std::to_string(settings_.CharacterCodeTableNumberSource));

    if (!SetGsiFieldFromChoice(gsi, gfDisplayStandardCode, settings_.DisplayStandardCodeSource,
                               kDisplayStandardCodes))
        return Refused(TConvertFault::InvalidSettings,
                       "Invalid Display Standard Code source value - " +
                           std::to_string(settings_.DisplayStandardCodeSource));
    return {};
}

// Every block through the zero-page test and the hex substitutions into the writer.
// The zero-page test on block 0: its text holds the keyword. Reported either way.
bool TConversion::IsZeroPage(const uint8_t* block) const {
    std::string text;
    STLTextToString(block + TTI_TEXT_FIELD_OFFSET, TTI_TEXT_FIELD_WIDTH, text);
    const std::string& keyword = settings_.ZeroPageKeyWord;
    if (!keyword.empty() && text.find(keyword) != std::string::npos) {
        Report(report_, rtInfo, "Zero page found - removing the zero page");
        return true;
    }
    Report(report_, rtInfo, "Zero page not found");
    return false;
}

TConvertOutcome TConversion::CopyBlocks() {
    const uint32_t count = reader_->GetTextAndTimingInformationCount();
    if (settings_.HexFindAndReplaceItems.empty())
        return CopyBlocksUnchanged(count);
    for (uint32_t i = 0; i < count; ++i) {
        uint8_t* block = nullptr;
        if (reader_->GetTextAndTimingInformation(i, block) != STATUS_OK)
            return Fail(TConvertFault::CannotReadSource,
                        "Cannot retrieve Text And Timing Information block", SystemCause());
        if (i == 0 && settings_.RemoveZeroPage && IsZeroPage(block))
            continue;
        uint8_t* text = block + TTI_TEXT_FIELD_OFFSET;
        // A user data block holds bytes, not text: substitutions would corrupt it.
        if (block[TTI_EXTENSION_BLOCK_NUMBER_OFFSET] != TTI_EBN_USER_DATA &&
            !HexFindAndReplaceList(text, TTI_TEXT_FIELD_WIDTH, &settings_.HexFindAndReplaceItems))
            return Fail(TConvertFault::CannotReplaceHex,
                        "Cannot perform hex find and replace procedure");

        if (writer_->AddTextAndTimingInformation(block) != STATUS_OK)
            return Fail(TConvertFault::CannotWriteDestination,
                        "Cannot add new Text And Timing Information block", SystemCause());
    }
    return {};
}

// Without substitutions the blocks pass as they are: only block 0 is looked at (for the
// zero page), the rest is copied file to file by the kernel.
TConvertOutcome TConversion::CopyBlocksUnchanged(uint32_t count) {
    uint32_t first = 0;
    if (count > 0 && settings_.RemoveZeroPage) {
        uint8_t* block = nullptr;
        if (reader_->PeekTextAndTimingInformation(0, block) != STATUS_OK)
            return Fail(TConvertFault::CannotReadSource,
                        "Cannot retrieve Text And Timing Information block", SystemCause());
        first = IsZeroPage(block) ? 1 : 0;
    }
    bool sourceFailed = false;
    if (first < count && writer_->AddTextAndTimingInformationFrom(*reader_, first, count - first,
                                                                  sourceFailed) != STATUS_OK)
        return sourceFailed
                   ? Fail(TConvertFault::CannotReadSource,
                          "Cannot retrieve Text And Timing Information block", SystemCause())
                   : Fail(TConvertFault::CannotWriteDestination,
                          "Cannot add new Text And Timing Information block", SystemCause());
    return {};
}

// The destination is complete and in place; from here on it stays whatever happens.
TConvertOutcome TConversion::MoveSource() {
    if (!settings_.MoveProcessedFiles)
        return {};
    if (settings_.MoveProcessedFilesFolder.empty()) {
        TraceCall(kRoutine);
        return {TConvertFault::NoMoveFolder, {}, {}};
    }
    const std::string target =
        IncludeTrailingSlash(settings_.MoveProcessedFilesFolder) + ExtractFileName(source_);
    // Moving a file onto itself: it is already where it should go, and deleting the
    // "old" copy would delete the only one.
    if (TFileIdentity(target).SameAs(TFileIdentity(source_)))
        return {};
    errno = 0;
    if (RenameFile(source_, target)) {
        // The move reaches the disk with the folder it went to (and the one it left).
        const bool flushed = SyncFolder(FolderOf(target));
        const int error = errno;
        SyncFolder(FolderOf(source_));
        errno = error;
        if (flushed)
            return {};
        return Fail(TConvertFault::CannotMoveSource, "Cannot move processed STL file",
                    SystemCause());
    }
    // Across file systems: a durable copy under a hidden name renamed into place, then the
    // delete of the source.
    if (errno != EXDEV)
        return Fail(TConvertFault::CannotMoveSource, "Cannot move processed STL file",
                    SystemCause());
    errno = 0; // a copy cut short by a short read has no reason of its own
    if (!CopyFileReplacing(source_, target))
        return Fail(TConvertFault::CannotMoveSource, "Cannot move processed STL file",
                    SystemCause());
    if (!DeleteFileAt(source_))
        return Fail(TConvertFault::CannotDeleteSource, "Cannot delete old processed STL file",
                    SystemCause());
    SyncFolder(FolderOf(source_));
    return {};
}

} // namespace

TConvertOutcome ConvertSTLFileWithOutcome(const std::string& sourceFile,
                                          const TSTLConvertSettings& settings,
                                          const std::string& destinationFile,
                                          const TReportFunction& reportFunction) {
    return Guarded(kRoutine, TConvertOutcome{TConvertFault::Unexpected, {}, {}}, [&] {
        TConversion conversion(sourceFile, settings, reportFunction);
        return conversion.Run(destinationFile);
    });
}

bool ConvertSTLFile(const std::string& sourceFile, const TSTLConvertSettings& settings,
                    const std::string& destinationFile, const TReportFunction& reportFunction) {
    return ConvertSTLFileWithOutcome(sourceFile, settings, destinationFile, reportFunction)
        .Succeeded();
}

TConvertOutcome ConvertFileOfRun(const std::string& path, const TLogFunction& log,
                                 const TReportFunction& report,
                                 const std::function<TConvertOutcome()>& convert) {
    if (log)
        log(("Converting STL file : " + path).c_str());
    TConvertOutcome outcome = convert();
    if (!outcome.Succeeded() && report)
        report(rtError, ("Error converting STL file " + path).c_str());
    return outcome;
}
