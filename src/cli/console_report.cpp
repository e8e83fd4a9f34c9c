#include "cli/console_report.h"

#include "app/conversion_worker.h"
#include "platform/code_page.h"
#include "platform/convertor_messages.h"

namespace tavi::cli {

namespace {

constexpr int kBarWidth = 40;
constexpr char kEraseLine[] = "\r\033[K";

}  // namespace

CConsoleReport::CConsoleReport(std::ostream& out, std::ostream& err, bool showProgress,
                               bool showNotes)
    : m_out(out), m_err(err), m_showProgress(showProgress), m_showNotes(showNotes) {}

void CConsoleReport::LogLines(std::span<const WString> lines) {
  HideBar();
  for (const WString& line : lines)
    m_out << (line == u"\r\n" ? std::string() : WideToUtf8(line)) << '\n';
  m_out.flush();
  DrawBar();
}

void CConsoleReport::Box(const WString& text) {
  HideBar();
  if (WStringView(text).starts_with(kDoneText)) {
    m_out << WideToUtf8(kDoneText) << '\n' << std::flush;
  } else {
    m_err << WideToUtf8(text) << '\n';
  }
  DrawBar();
}

void CConsoleReport::Note(const std::string& text) {
  if (m_showNotes) Error(text);
}

void CConsoleReport::Error(const std::string& text) {
  HideBar();
  m_err << "tavi: " << text << '\n';
  DrawBar();
}

void CConsoleReport::Progress(int percent) {
  // Messages are handled after the worker may have finished more files, so a late one would move
  // the bar back for a moment; the bar only moves forward.
  if (!m_showProgress || percent <= m_percent) return;
  m_percent = percent;
  DrawBar();
}

void CConsoleReport::Finish() {
  HideBar();
  m_out.flush();
  m_err.flush();
}

void CConsoleReport::HideBar() {
  if (!m_barVisible) return;
  m_err << kEraseLine << std::flush;
  m_barVisible = false;
}

void CConsoleReport::DrawBar() {
  if (!m_showProgress || m_percent < 0) return;
  // The bar shares the terminal with standard output: what went there must be out first.
  m_out.flush();
  const int filled = m_percent * kBarWidth / kProgressMaximum;
  m_err << kEraseLine << '[' << std::string(static_cast<std::size_t>(filled), '#')
        << std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') << "] " << m_percent
        << '%' << std::flush;
  m_barVisible = true;
}

}  // namespace tavi::cli
