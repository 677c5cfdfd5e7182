#pragma once

#include <QApplication>
#include <QByteArray>

class Theme;
class ThemeDocument;

struct BenchTreeStats
{
    int themes = 0;
    int marks = 0;
    int links = 0;
    int maxDepth = 0;
    int topLevel = 0;    // themes at depth 1
    int widest = 0;      // most subthemes of one theme
    int longestText = 0; // bytes of the longest description
};

// A tree file in the ordinary format, as CP1251 bytes with CR LF line ends: the root description,
// then one record per theme in preorder. Names mix Cyrillic and Latin words, descriptions range
// from empty to a few kilobytes of prose, depths reach 10, and a link group (one mark theme and
// 1 to 3 childless link themes outside its branch) comes with about every 300 themes. The same
// arguments always give the same bytes; 100,000 themes make about 30 MB.
QByteArray generateBenchTree(int themes = 100000, quint32 seed = 1,
                             BenchTreeStats *stats = nullptr);

// The size and seed of the generated tree from the command line: [themes] [seed].
struct BenchArguments
{
    int themes = 100000;
    quint32 seed = 1;
};
BenchArguments benchArguments(int argc, char **argv);

// Answers every message box with its default button, printing the first few to stderr; the
// counter tells how many there were.
void answerBoxesOnStandardError(int &boxes);

// What a benchmark of the tree starts with: an application on the offscreen platform, the
// tree's size and seed from the command line, and boxes answered on standard error and counted.
struct BenchStart
{
    BenchStart(int &argc, char **argv);

    bool offscreen; // first: the platform is chosen when the application starts
    QApplication app;
    BenchArguments arguments;
    int boxes = 0;
};

// A field of this process's /proc status in kB: "VmRSS" resident now, "VmHWM" its peak; 0 when
// it cannot be read.
long statusKilobytes(const char *field);

// A branch of about `size` themes under the root of a document being built (as a file is read):
// 100 themes of (size / 100 - 1) children each. Every 100th theme is a link to a mark theme
// outside, and every 500th a mark theme with a link outside.
Theme *addBenchBranch(ThemeDocument &document, int size);
// The themes below `top`, held or not.
int countBelow(Theme *top);
