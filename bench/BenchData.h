#pragma once

#include <string>

// What the generator writes and the benchmark looks for.
namespace BenchData {

constexpr int kTitles = 10000;
constexpr int kLargeVersions = 2000;
constexpr int kLargeFiles = 5000;
constexpr int kLargeChanges = 5000;
constexpr int kLargeProblems = 100000;
constexpr int kMediumTitles = 10;
constexpr int kMediumProblems = 1000;

inline const char* const kLargeTitle = "Zenith Support Desk";
// Same versions as the large title, fewer problems: the growth with the number of problems.
inline const char* const kGrowth1000Title = "Zenith Support Desk 1000";
inline const char* const kGrowth10000Title = "Zenith Support Desk 10000";

inline std::string MediumTitle(int i)
{
    return "Meridian Tools " + std::to_string(i);
}

} // namespace BenchData
