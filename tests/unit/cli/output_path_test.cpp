#include "output_path.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

std::string tempFile(const std::string& name, const std::string& content) {
    const std::string path = ::testing::TempDir() + name;
    std::ofstream(path) << content;
    return path;
}

TEST(OutputPathProblem, AcceptsNewAndExistingFilesInExistingFolders) {
    EXPECT_EQ(outputPathProblem("", "in.csv"), "");
    EXPECT_EQ(outputPathProblem(::testing::TempDir() + "tavrel-new-output.csv", "in.csv"), "");
    EXPECT_EQ(outputPathProblem(tempFile("tavrel-old-output.csv", "x"), "in.csv"), "");
    EXPECT_EQ(outputPathProblem(tempFile("tavrel-old-output.csv", "x"), "-"), "");
}

TEST(OutputPathProblem, NamesTheReason) {
    EXPECT_EQ(outputPathProblem("/nonexistent-folder/out.csv", "in.csv"),
              "the folder '/nonexistent-folder' does not exist");
    const std::string file = tempFile("tavrel-plain-file", "x");
    EXPECT_EQ(outputPathProblem(file + "/out.csv", "in.csv"), "Not a directory");
    EXPECT_EQ(outputPathProblem(::testing::TempDir(), "in.csv"), "it is a folder");
    const std::string input = tempFile("tavrel-input.csv", "a,y\n1,2\n");
    EXPECT_EQ(outputPathProblem(input, input), "it is the input file");
    // The same file by another name is still the input.
    EXPECT_EQ(outputPathProblem(::testing::TempDir() + "./tavrel-input.csv", input), "it is the input file");
}

}  // namespace
