// The log file's open as its writers use it: one writer at a time, readers
// welcome, content kept; and the folders the log lives in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "platform/FileAttributes.h"
#include "platform/LogFile.h"
#include "platform/Platform.h"
#include "tests/contract/ContractTest.h"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class LogFileContract : public contract::Test {
protected:
  void SetUp() override {
    contract::Test::SetUp();
    FFolder = fs::temp_directory_path() / contract::UniqueName(L"velmora-contract-");
    fs::create_directories(FFolder);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(FFolder, ignored);
    contract::Test::TearDown();
  }
  // Paths as the program passes them: its separator is the backslash, which
  // the stand-in turns into the host's.
  std::wstring PathOf(const std::wstring& relative) const {
    return FFolder.wstring() + L"\\" + relative;
  }

  fs::path FFolder;
};

TEST_F(LogFileContract, SecondWriterIsRefusedWith32WhileTheFirstHoldsTheFile) {
  const std::wstring path = PathOf(L"Log.txt");
  {
    auto first = platform::LogFile::OpenExclusive(path);
    ASSERT_TRUE(first) << platform::LastError();
    ASSERT_TRUE(first->Write("um\r\n"));

    auto sameThread = platform::LogFile::OpenExclusive(path);
    const std::uint32_t sameThreadError = platform::LastError();
    EXPECT_FALSE(sameThread) << "a second writer on the same thread";
    EXPECT_EQ(sameThreadError, platform::error::SharingViolation);

    bool refused = false;
    std::uint32_t otherThreadError = 0;
    std::thread([&] {
      refused = platform::LogFile::OpenExclusive(path) == nullptr;
      otherThreadError = platform::LastError();
    }).join();
    EXPECT_TRUE(refused) << "a second writer on another thread";
    EXPECT_EQ(otherThreadError, platform::error::SharingViolation);

    EXPECT_EQ(ReadAll(FFolder / "Log.txt"), "um\r\n") << "readers are welcome while it is held";
  }
  auto later = platform::LogFile::OpenExclusive(path);
  ASSERT_TRUE(later) << "free again once the first writer closed it";
  ASSERT_TRUE(later->Write("dois\r\n"));
  later.reset();
  EXPECT_EQ(ReadAll(FFolder / "Log.txt"), "um\r\ndois\r\n") << "appended, never emptied";
}

TEST_F(LogFileContract, MissingFolderIsPathNotFoundAndFoldersAreMadeOneLevelAtATime) {
  const std::wstring folder = PathOf(L"log");
  auto file = platform::LogFile::OpenExclusive(folder + L"\\Log.txt");
  const std::uint32_t openError = platform::LastError();
  EXPECT_FALSE(file);
  EXPECT_EQ(openError, platform::error::PathNotFound);

  const bool deepMade = platform::MakeDirectory(folder + L"\\dia");
  const std::uint32_t deepError = platform::LastError();
  EXPECT_FALSE(deepMade) << "the parent is missing";
  EXPECT_EQ(deepError, platform::error::PathNotFound);

  EXPECT_FALSE(platform::DirectoryExists(folder));
  EXPECT_TRUE(platform::MakeDirectory(folder));
  EXPECT_TRUE(platform::DirectoryExists(folder));
  const bool again = platform::MakeDirectory(folder);
  const std::uint32_t againError = platform::LastError();
  EXPECT_FALSE(again);
  EXPECT_EQ(againError, platform::error::AlreadyExists);
}

TEST_F(LogFileContract, FoldersAreMadeWithTheirParents) {
  const std::wstring deep = PathOf(L"a\\b\\log");
  EXPECT_FALSE(platform::DirectoryExists(deep));
  EXPECT_TRUE(platform::ForceDirectories(deep + L"\\"));
  EXPECT_TRUE(platform::DirectoryExists(deep));
  ASSERT_TRUE(platform::LogFile::OpenExclusive(PathOf(L"arquivo.txt")));
  EXPECT_FALSE(platform::DirectoryExists(PathOf(L"arquivo.txt"))) << "a file is no folder";
  EXPECT_FALSE(platform::DirectoryExists(PathOf(L"nada")));
}

TEST_F(LogFileContract, AWriterCutsTheFileBackToItsSizeAtTheOpen) {
  const std::wstring path = PathOf(L"Log.txt");
  std::ofstream(FFolder / "Log.txt", std::ios::binary) << "antiga\r\n";
  auto file = platform::LogFile::OpenExclusive(path);
  ASSERT_TRUE(file) << platform::LastError();
  EXPECT_EQ(file->SizeAtOpen(), 8u);
  ASSERT_TRUE(file->Write("meia lin"));
  ASSERT_TRUE(file->CutTo(file->SizeAtOpen())) << platform::LastError();
  ASSERT_TRUE(file->Write("inteira\r\n")) << "the next bytes follow the cut";
  file.reset();
  EXPECT_EQ(ReadAll(FFolder / "Log.txt"), "antiga\r\ninteira\r\n");

  auto empty = platform::LogFile::OpenExclusive(PathOf(L"Novo.txt"));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->SizeAtOpen(), 0u);
}

TEST_F(LogFileContract, AttributesTellAFolderFromAFile) {
  ASSERT_TRUE(platform::LogFile::OpenExclusive(PathOf(L"arquivo.exe")));
  ASSERT_TRUE(platform::MakeDirectory(PathOf(L"pasta.exe")));
  const auto file = platform::FileAttributesOf(PathOf(L"arquivo.exe"));
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(*file & (platform::fileattr::Directory | platform::fileattr::Device), 0u);
  const auto folder = platform::FileAttributesOf(PathOf(L"pasta.exe"));
  ASSERT_TRUE(folder.has_value());
  EXPECT_NE(*folder & platform::fileattr::Directory, 0u);
  const auto missing = platform::FileAttributesOf(PathOf(L"nada.exe"));
  const std::uint32_t missingError = platform::LastError();
  EXPECT_FALSE(missing.has_value());
  EXPECT_EQ(missingError, platform::error::FileNotFound);
}

}  // namespace
