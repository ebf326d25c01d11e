#include "cli/TextCommand.h"

#include <charconv>

#include "cli/FilesCommand.h"
#include "cli/JsonText.h"
#include "platform/Trace.h"
#include "stl/STLReader.h"
#include "stl/STLText.h"

namespace {

// Output is gathered here and written in large pieces: a thousand files of a thousand
// subtitles print in well under a second only without a stream call per field.
constexpr size_t kFlushSize = 256 * 1024;

void AppendTimeCode(std::string& out, const TSTLTimeCode& time) {
    char text[16];
    out.append(text, size_t(FormatSTLTimeCode(time, text)));
}

void AppendNumber(std::string& out, int n) {
    char text[16];
    out.append(text, size_t(std::to_chars(text, text + sizeof text, n).ptr - text));
}

void AppendBool(std::string& out, const char* name, bool value) {
    out += name;
    out += value ? "true" : "false";
}

class TTextPrinter {
public:
    TTextPrinter(bool json, std::ostream& out) : json_(json), out_(out) {}

    void BeginFile(const std::string& path, const TSTLTextHeader& header, bool first) {
        if (!json_)
            return;
        buffer_ += first ? "  {\n" : ",\n  {\n";
        buffer_ += "    \"file\": ";
        AppendJsonString(buffer_, path);
        buffer_ += ",\n    \"character_table\": ";
        AppendJsonString(buffer_, header.CharacterTableField);
        buffer_ += ",\n    \"display_standard\": ";
        AppendJsonString(buffer_, header.DisplayStandardField);
        buffer_ += ",\n    \"subtitles\": [";
        firstSubtitle_ = true;
    }

    void EndFile() {
        if (json_)
            buffer_ += firstSubtitle_ ? "]\n  }" : "\n    ]\n  }";
        Flush(false);
    }

    void Subtitle(const TSTLSubtitle& s) {
        if (json_)
            JsonSubtitle(s);
        else
            TextSubtitle(s);
        Flush(false);
    }

    void Flush(bool always) {
        if (always || buffer_.size() >= kFlushSize) {
            out_.write(buffer_.data(), std::streamsize(buffer_.size()));
            buffer_.clear();
        }
    }

    std::string& Buffer() { return buffer_; }

private:
    void TextSubtitle(const TSTLSubtitle& s) {
        AppendNumber(buffer_, s.Number);
        buffer_ += ' ';
        AppendTimeCode(buffer_, s.In);
        buffer_ += " --> ";
        AppendTimeCode(buffer_, s.Out);
        if (s.Comment)
            buffer_ += " (comment)";
        buffer_ += '\n';
        AppendSTLShownRows(s, buffer_, '\n');
        buffer_ += '\n';
    }

    void JsonSubtitle(const TSTLSubtitle& s) {
        buffer_ += firstSubtitle_ ? "\n      {\"number\": " : ",\n      {\"number\": ";
        firstSubtitle_ = false;
        AppendNumber(buffer_, s.Number);
        buffer_ += ", \"in\": \"";
        AppendTimeCode(buffer_, s.In);
        buffer_ += "\", \"out\": \"";
        AppendTimeCode(buffer_, s.Out);
        buffer_ += "\", \"vertical_position\": ";
        AppendNumber(buffer_, s.VerticalPosition);
        buffer_ += ", \"justification\": ";
        AppendNumber(buffer_, s.Justification);
        AppendBool(buffer_, ", \"comment\": ", s.Comment);
        buffer_ += ", \"rows\": [";
        STLShownRows(s, rows_);
        for (size_t r = 0; r < rows_.size(); ++r) {
            buffer_ += r == 0 ? "[" : ", [";
            JsonRow(s, rows_[r]);
            buffer_ += ']';
        }
        buffer_ += "]}";
    }

    // The text spans of a row; the cells of control codes between them are spaces at the
    // start of the span after them, so the texts side by side read as the line of text.
    void JsonRow(const TSTLSubtitle& s, const TSTLShownRow& row) {
        std::string_view gap;
        bool first = true;
        for (size_t i = row.First; i < row.End; ++i) {
            const TSTLSpan& span = s.Spans[i];
            const std::string_view text = STLShownText(s, row, i);
            if (span.Control) {
                gap = text;
                continue;
            }
            buffer_ += first ? "{\"text\": " : ", {\"text\": ";
            first = false;
            gapped_.assign(gap);
            gapped_ += text;
            gap = {};
            AppendJsonString(buffer_, gapped_);
            buffer_ += ", \"colour\": \"";
            buffer_ += STLColourName(span.Colour);
            AppendBool(buffer_, "\", \"double_height\": ", span.DoubleHeight);
            AppendBool(buffer_, ", \"boxed\": ", span.Boxed);
            AppendBool(buffer_, ", \"italic\": ", span.Italic);
            AppendBool(buffer_, ", \"underline\": ", span.Underline);
            buffer_ += '}';
        }
    }

    const bool json_;
    std::ostream& out_;
    std::string buffer_;
    std::string gapped_;
    std::vector<TSTLShownRow> rows_;
    bool firstSubtitle_ = true;
};

} // namespace

int RunText(const std::vector<std::string>& files, bool json, std::ostream& out,
            std::ostream& err) {
    return Guarded("RunText", CLI_EXIT_FAILED, [&] {
        bool allOpened = true;
        bool firstEntry = true;
        TTextPrinter printer(json, out);
        if (json)
            printer.Buffer() += "[\n";
        for (const std::string& path : files) {
            if (!json && files.size() > 1)
                printer.Buffer() += "== " + path + "\n";
            TSTLReader reader;
            // The size is verified, as info and every conversion do.
            if (reader.OpenFile(path, true) != STATUS_OK) {
                printer.Flush(true);
                out.flush();
                err << "caplin-cli: cannot open STL file " << path << ": " << reader.OpenFailure()
                    << '\n';
                allOpened = false;
                continue;
            }
            uint8_t* gsi = nullptr;
            reader.GetGeneralSubtitleInformation(gsi);
            TSTLTextDecoder decoder(gsi, [&](const TSTLSubtitle& s) { printer.Subtitle(s); });
            printer.BeginFile(path, decoder.Header(), firstEntry);
            firstEntry = false;
            const uint32_t count = reader.GetTextAndTimingInformationCount();
            bool whole = true;
            for (uint32_t i = 0; i < count && whole; ++i) {
                uint8_t* tti = nullptr;
                // The size was verified: only a failing disk or a file cut meanwhile fails.
                whole = reader.GetTextAndTimingInformation(i, tti) == STATUS_OK;
                if (whole)
                    decoder.Add(tti, i + 1);
            }
            decoder.Finish();
            printer.EndFile();
            if (!whole) {
                printer.Flush(true);
                out.flush();
                err << "caplin-cli: cannot read STL file " << path << ": read cut short\n";
                allOpened = false;
            }
        }
        if (json)
            printer.Buffer() += firstEntry ? "]\n" : "\n]\n";
        printer.Flush(true);
        out.flush();
        return allOpened ? CLI_EXIT_OK : CLI_EXIT_FAILED;
    });
}

void AddTextCommand(CLI::App& app, TCliRun& run) {
    AddFilesCommand(app, run,
                    {"text", "print the subtitles of each file as text",
                     "Prints each subtitle as \"<SN> <TCI> --> <TCO>\" (\" (comment)\" after it "
                     "for a\ncomment subtitle), its rows one to a line and an empty line; with "
                     "several\nfiles each file's lines begin \"== <path>\". Exit status 0 when "
                     "every file\nopened, 1 when one did not, 2 for a usage problem.",
                     "STL file to print"},
                    [](const std::vector<std::string>& files, bool json, TCliRun& cli) {
                        return RunText(files, json, cli.Out, cli.Err);
                    });
}
