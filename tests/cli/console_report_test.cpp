#include "cli/console_report.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/code_page.h"

namespace tavi::cli {
namespace {

TEST(FailureLineTest, Recognised) {
  for (const char16_t* line :
       {u"Failed to open - /d/a.csv", u"Failed to read - /d/a.gep",
        u"Failed to create TAVI file - /d/a.tavi", u"Failed to write TAVI file - /d/a.tavi"}) {
    EXPECT_TRUE(CConsoleReport::IsFailureLine(line)) << WideToUtf8(line);
  }
  for (const char16_t* line : {u"Bad data - /d/a.csv", u"Nothing to import - /d/a.csv",
                               u"Nothing to import from - /d/a.gep", u"GEP is empty - /d/a.gep",
                               u"Importing csv - /d/Failed to open - x.csv", u"\r\n"}) {
    EXPECT_FALSE(CConsoleReport::IsFailureLine(line)) << WideToUtf8(line);
  }
}

class ConsoleReportTest : public ::testing::Test {
 protected:
  std::ostringstream m_out, m_err;
};

TEST_F(ConsoleReportTest, LogLinesAndDoneGoToStandardOutputWithTheSeparatorEmpty) {
  CConsoleReport report(m_out, m_err, false, true);
  report.LogLine(u"\r\n");
  report.LogLine(u"Importing csv - /d/\u00e9t\u00e9.csv");
  report.Box(u"Done!");
  report.Finish();
  EXPECT_EQ(m_out.str(), "\nImporting csv - /d/\xc3\xa9t\xc3\xa9.csv\nDone!\n");
  EXPECT_EQ(m_err.str(), "");
  EXPECT_FALSE(report.AnyFailure());
  report.LogLine(u"Failed to create TAVI file - /d/a.tavi");
  EXPECT_TRUE(report.AnyFailure());
}

TEST_F(ConsoleReportTest, OtherBoxesNotesAndErrorsGoToStandardErrorQuietDropsNotes) {
  CConsoleReport report(m_out, m_err, false, true);
  report.Box(u"ERROR : Save String: char size > MAX_BYTES");
  report.Note("gone.csv: no such file or folder");
  report.Finish();
  CConsoleReport quiet(m_out, m_err, false, false);
  quiet.Note("skipped");
  quiet.Error("conversion stopped: out of memory");
  quiet.Finish();
  EXPECT_EQ(m_out.str(), "");
  EXPECT_EQ(m_err.str(),
            "ERROR : Save String: char size > MAX_BYTES\ntavi: gone.csv: no such file or folder\n"
            "tavi: conversion stopped: out of memory\n");
}

TEST_F(ConsoleReportTest, ProgressBarIsDrawnOnlyWhenAskedOnlyForwardAndRemovedAtTheEnd) {
  CConsoleReport silent(m_out, m_err, false, true);
  silent.Progress(50);
  silent.Finish();
  EXPECT_EQ(m_err.str(), "");

  CConsoleReport report(m_out, m_err, true, true);
  report.Progress(50);
  report.Progress(50);
  report.Progress(33);
  report.LogLine(u"Saving tavi file - /d/a.tavi");
  report.Finish();
  const std::string bar = "\r\033[K[" + std::string(20, '#') + std::string(20, ' ') + "] 50%";
  EXPECT_EQ(m_err.str(), bar + "\r\033[K" + bar + "\r\033[K");
  EXPECT_EQ(m_out.str(), "Saving tavi file - /d/a.tavi\n");
}

}  // namespace
}  // namespace tavi::cli
