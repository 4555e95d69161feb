// BenchTree.h: the trees the benchmark cleans, shaped like folders of
// Visual C++ projects, every intermediate with the first bytes its tool
// writes.
#pragma once

#include <string>
#include <vector>

// One project: 20 files that match the patterns, 6 that do not.
constexpr int kMatchingPerProject = 20;
constexpr int kSourcesPerProject = 6;

// Vorlix.com's /W: list that the README gives for newer Visual Studio.
extern const std::vector<std::string> kReadyLine;

// Lays out `projects` projects in `root`, a hundred to a group folder.
void Generate(const std::string& root, int projects);

// The files in `folder` and every folder below it.
long CountFiles(const std::string& folder);
