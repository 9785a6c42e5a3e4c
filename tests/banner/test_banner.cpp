// The banner's ticks, called directly, over a real "set.txt" in a temporary program folder.
#include "banner/banner_safety.h"
#include "platform/controls.h"
#include "platform/files.h"
#include "platform/runtime.h"
#include "tests/support/helpers.h"
#include "tests/support/main_fixture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <random>

using testing_support::MainFixture;
using testing_support::write_file;

namespace {

const char* const kPrimary = "http://primary.example/tavoly/";
const char* const kMirror = "http://mirror.example/tavoly/";

class BannerTest : public MainFixture {
protected:
    void SetUp() override
    {
        MainFixture::SetUp();
        start({});
        form->sito_primario = kPrimary;
        form->sito_mirror = kMirror;
    }
    QString in_program(const std::string& name) const { return QString::fromStdString(program + "/" + name); }
    void local_settings(const std::string& text) const { write_file(in_program("set.txt"), text); }
    // The probe answers the general test with `general` and the primary site with `primary`.
    void probe(bool general, bool primary)
    {
        write_file(in_program("chk.exe"), "");
        doubles->programs->on_start = [this, general, primary](const std::string& command_line) {
            const bool site = command_line.find(kPrimary) != std::string::npos;
            write_file(in_program((site ? primary : general) ? "chkon" : "chkoff"), "");
        };
    }
    void serve(const std::string& url, const std::string& body) { doubles->internet->pages[url] = {body}; }
    std::string line(int i) const { return form->LblBanner[i]->caption(); }
};

TEST_F(BannerTest, OffLineTheLocalFileDecidesWhetherTheBannerRuns)
{
    for (const char* on : {"TRUE", "true"}) {
        local_settings(std::string("[banner]\nattivo=") + on + "\n[mess1]\nintervallo=5000\nimmagine=p.png\n");
        form->inizializza_banner();
        EXPECT_TRUE(form->PicBanner->isVisibleTo(form.get())) << on;
        EXPECT_TRUE(form->Timer1->Enabled());
    }
    for (const char* off : {"yes", "1", ""}) {
        local_settings(std::string("[banner]\nattivo=") + off + "\n");
        form->inizializza_banner();
        EXPECT_FALSE(form->PicBanner->isVisibleTo(form.get())) << off;
        EXPECT_FALSE(form->Timer1->Enabled());
        EXPECT_TRUE(form->Timer3->Enabled());
    }
    // No probe: nothing was started and nothing fetched; the base stays unchosen.
    EXPECT_TRUE(doubles->programs->started.empty());
    EXPECT_TRUE(doubles->internet->urls.empty());
    EXPECT_EQ(form->sito_base, "");
}

TEST_F(BannerTest, OnLineTheFileAndMissingPicturesComeFromTheSiteThatAnswers)
{
    const std::string settings = "[banner]\nattivo=TRUE\n"
                                 "[mess1]\nintervallo=5000\nimmagine=uno.png\n"
                                 "[mess2]\nintervallo=5000\nimmagine=due.png\n"
                                 "[mess3]\nimmagine=tre.png\n"
                                 "[mess4]\nintervallo=5000\nimmagine=quattro.png\n";
    probe(true, false);
    serve(std::string(kMirror) + "set.txt", settings);
    serve(std::string(kMirror) + "uno.png", "fresh");
    write_file(in_program("due.png"), "present");
    form->inizializza_banner();
    EXPECT_EQ(form->sito_base, kMirror);
    EXPECT_FALSE(form->sito_raggiungibile);
    EXPECT_EQ(platform::read_text_file(program + "/set.txt"), settings);
    // The picture already there is not fetched again; nothing after the gap is looked at.
    EXPECT_EQ(doubles->internet->urls,
              (std::vector<std::string>{std::string(kMirror) + "set.txt", std::string(kMirror) + "uno.png"}));
    EXPECT_EQ(platform::read_text_file(program + "/uno.png"), "fresh");
    EXPECT_TRUE(form->PicBanner->isVisibleTo(form.get()));
    probe(true, true);
    serve(std::string(kPrimary) + "set.txt", "[banner]\nattivo=no\n");
    form->inizializza_banner();
    EXPECT_EQ(form->sito_base, kPrimary);
    EXPECT_FALSE(form->PicBanner->isVisibleTo(form.get()));
}

TEST_F(BannerTest, PictureNamesThatLeaveTheProgramFolderAreNeitherFetchedNorLoaded)
{
    for (const char* name : {"../../.profile", "..", ".", "a/b.png", "a\\b.png", "C:x.png", "c:\\x.png"})
        EXPECT_FALSE(nome_immagine_sicuro(name)) << name;
    EXPECT_TRUE(nome_immagine_sicuro("banner 1.png"));
    probe(true, true);
    serve(std::string(kPrimary) + "set.txt", "[banner]\nattivo=TRUE\n[mess1]\nintervallo=5000\nimmagine=../evil\n");
    serve(std::string(kPrimary) + "../evil", "owned");
    form->inizializza_banner();
    EXPECT_EQ(doubles->internet->urls.size(), 1u);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.path().toStdString() + "/evil")));
}

// Only pictures: a name beside the book such as its journal would be played back into it.
TEST_F(BannerTest, OnlyPictureFilesAreFetchedOrLoaded)
{
    for (const char* name : {"contatti.mdb-journal", "contatti.mdb-wal", "contatti.mdb", "tavoly.ini", "chkon",
                             "set.txt", "x.png.exe", "x.pngg", "png", ".png", "x.png ", "x.jpg\n"})
        EXPECT_FALSE(nome_immagine_sicuro(name)) << name;
    for (const char* name : {"a.bmp", "a.DIB", "a.Gif", "a.jpg", "a.JPEG", "a.png", "a.wmf", "a.emf", "a.ico",
                             "contatti.mdb.png"})
        EXPECT_TRUE(nome_immagine_sicuro(name)) << name;
    probe(true, true);
    std::string settings = "[banner]\nattivo=TRUE\n";
    int n = 0;
    for (const char* name : {"contatti.mdb-journal", "tavoly.ini", "chkon", "buona.png", "x.png.exe"}) {
        settings += "[mess" + std::to_string(++n) + "]\nintervallo=1000\nimmagine=" + name + "\n";
        serve(kPrimary + std::string(name), "PWNED by server");
    }
    serve(std::string(kPrimary) + "set.txt", settings);
    form->inizializza_banner();
    EXPECT_EQ(doubles->internet->urls,
              (std::vector<std::string>{kPrimary + std::string("set.txt"), kPrimary + std::string("buona.png")}));
    EXPECT_FALSE(QFile::exists(in_program("contatti.mdb-journal")));
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    red.save(in_program("contatti.mdb-journal"), "PNG");
    form->Timer1_Timer();   // a name that is no picture is not loaded either, whatever it holds
    EXPECT_TRUE(form->ImBanner->picture().isNull());
}

// 3 MiB pictures, more than the bounds allow: 16 MiB fetched a refresh, 32 MiB kept.
TEST_F(BannerTest, WhatTheSiteSendsIsBoundedPerRefreshAndInTheFolder)
{
    constexpr int64_t kMiB = 1024 * 1024;
    probe(true, true);
    std::string settings = "[banner]\nattivo=TRUE\n";
    for (int n = 1; n <= 12; ++n) {
        const std::string name = "p" + std::to_string(n) + ".png";
        settings += "[mess" + std::to_string(n) + "]\nintervallo=1000\nimmagine=" + name + "\n";
        serve(kPrimary + name, std::string(3 * kMiB, 'p'));
    }
    serve(std::string(kPrimary) + "set.txt", settings);
    std::vector<int64_t> kept;
    std::vector<size_t> asked;
    for (int refresh = 0; refresh < 3; ++refresh) {
        const size_t before = doubles->internet->urls.size();
        form->inizializza_banner();
        kept.push_back(byte_immagini(program) / kMiB);
        asked.push_back(doubles->internet->urls.size() - before);
    }
    // Five whole pictures a refresh; the sixth passes the bound and is not kept. The third
    // refresh has 2 MiB left in the folder: one try, then nothing more.
    EXPECT_EQ(kept, (std::vector<int64_t>{15, 30, 30}));
    EXPECT_EQ(asked, (std::vector<size_t>{7, 7, 2}));
    EXPECT_FALSE(QFile::exists(in_program("p6.png")) && QFile::exists(in_program("p11.png")));
    serve(std::string(kPrimary) + "set.txt", "[banner]\nattivo=no\n" + std::string(kMiB, ';'));
    form->inizializza_banner();   // no settings file is that large
    EXPECT_EQ(platform::read_text_file(program + "/set.txt"), settings);
}

TEST_F(BannerTest, TheRefreshRunsEveryFifthTickAndNeverInsideAnother)
{
    probe(false, false);
    for (int tick = 1; tick <= 15; ++tick)
        form->Timer3_Timer();
    EXPECT_EQ(doubles->programs->started.size(), 3u);
    // A refresh that falls due while the connection test waits is skipped.
    int inner = 0;
    doubles->programs->on_start = [&](const std::string&) {
        for (int tick = 0; tick < 5; ++tick)
            form->Timer3_Timer();
        ++inner;
        write_file(in_program("chkoff"), "");
    };
    form->inizializza_banner();
    EXPECT_EQ(inner, 1);
}

TEST_F(BannerTest, TheLinksMenuIsFilledOnceUpToTheFirstEmptyCaptionAndShownOnlyWithAFirstOne)
{
    local_settings("[banner]\nweb2=Orphan\n");
    form->riempi_menu_link();
    form->Image10_Click();
    EXPECT_TRUE(doubles->popup_menu->shown.empty());
    local_settings("[banner]\nweb1=Home\nLink1=http://www.example.com/\nweb2=Write us\nLink2=info@example.com\n"
                   "web4=Never\n");
    form->Form_Activate();
    EXPECT_EQ(form->web[0]->text(), "Home");
    EXPECT_EQ(form->web[1]->text(), "Write us");
    EXPECT_TRUE(form->web[1]->isVisible());
    EXPECT_FALSE(form->web[2]->isVisible());
    EXPECT_FALSE(form->web[3]->isVisible());
    form->Image10_Click();
    ASSERT_EQ(doubles->popup_menu->shown.size(), 1u);
    EXPECT_EQ(doubles->popup_menu->shown[0], form->menupop2);
    local_settings("[banner]\nweb1=Other\n");   // only the first activation fills it
    form->Form_Activate();
    EXPECT_EQ(form->web[0]->text(), "Home");
}

// ---- the message tick

// The lines share the box by the last one with text: alone, the first fills it.
TEST_F(BannerTest, TheLayoutFollowsTheLastLineWithText)
{
    struct Case {
        const char* lines;
        double height1, top2, height2;
        bool shown1, shown2, shown3;
    };
    const Case cases[] = {
        {"testo1=a\n", 915, -1, -1, true, false, false},
        {"testo2=b\n", 434, 540, 435, false, true, false},
        {"testo3=c\n", 315, 360, 315, false, false, true},
        {"testo1=a\ntesto3=c\n", 315, 360, 315, true, false, true},
    };
    const auto top = [](const QWidget* line) { return platform::twips(line->y()); };
    for (const auto& c : cases) {
        form->num_messaggio = 0;
        local_settings(std::string("[mess1]\nintervallo=1000\n") + c.lines);
        form->Timer1_Timer();
        SCOPED_TRACE(c.lines);
        EXPECT_NEAR(form->LblBanner[1]->HeightTw(), c.height1, 15);
        if (c.top2 >= 0) {
            EXPECT_NEAR(top(form->LblBanner[2]), c.top2, 15);
            EXPECT_NEAR(form->LblBanner[2]->HeightTw(), c.height2, 15);
        }
        EXPECT_EQ(form->LblBanner[1]->isVisibleTo(form->PicBanner), c.shown1);
        EXPECT_EQ(form->LblBanner[2]->isVisibleTo(form->PicBanner), c.shown2);
        EXPECT_EQ(form->LblBanner[3]->isVisibleTo(form->PicBanner), c.shown3);
        EXPECT_NEAR(top(form->LblBanner[3]), 660, 15);
    }
}

TEST_F(BannerTest, MessagesFollowEachOtherAndARefusedDisplayTimeKeepsThePreviousOne)
{
    local_settings("[mess1]\nintervallo=5000\ntesto1=one\n"
                   "[mess2]\nintervallo=70000\ntesto1=two\n"
                   "[mess3]\nintervallo=-5\ntesto1=three\n");
    std::vector<std::string> shown;   // the text, its display time, whether the timer runs
    for (int i = 0; i < 4; ++i) {
        form->Timer1_Timer();
        shown.push_back(line(1) + " " + std::to_string(form->Timer1->Interval()) + " "
                        + std::to_string(form->Timer1->Enabled()));
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"one 5000 1", "two 5000 1", "three 5000 1", "one 5000 1"}));
    local_settings("[mess1]\nintervallo=3000\ntesto1=a\n[mess2]\nintervallo=soon\ntesto1=b\n"
                   "[mess3]\nintervallo=3000\ntesto1=c\n");
    form->Timer1_Timer();
    form->Timer1_Timer();
    EXPECT_EQ(line(1), "a");
}

TEST_F(BannerTest, ColoursAndFontSizesKeepWhatWasInForceWhenRefused)
{
    const struct { const char* keys; int line, fore, back; double size; } cases[] = {
        {"forecolor=4\nbackcolor=1\nfontsize=12.5\n", 2, 4, 1, 12.5},
        {"forecolor=20\nbackcolor=20\nfontsize=-3\n", 3, 4, 1, 12.5},
        {"backcolor=blue\n", 1, 0, 1, 8},   // a missing text colour is black
        {"fontsize=0\n", 1, 0, 15, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keys);
        form->num_messaggio = 0;
        local_settings("[mess1]\nintervallo=1000\ntesto1=x\ntesto2=y\n" + std::string(c.keys));
        form->Timer1_Timer();
        EXPECT_EQ(form->LblBanner[c.line]->foreColor(), QColor::fromRgb(platform::QBColor(c.fore)));
        EXPECT_EQ(form->PicBanner->palette().color(QPalette::Window), QColor::fromRgb(platform::QBColor(c.back)));
        EXPECT_DOUBLE_EQ(form->LblBanner[c.line]->font().pointSizeF(), c.size);
    }
}

// The lines count from the box's inner area and are cut at its edge: at Left 0, scrolled out
// to the left and running past the right, the border stays whole.
TEST_F(BannerTest, TheLinesLieInsideTheBorder)
{
    local_settings("[mess1]\nintervallo=1000\ntesto1=" + std::string(80, 'W') + "\ntesto3=W\nforecolor=12\n"
                   "velocita=90\n");
    form->Timer1_Timer();
    form->PicBanner->show();
    const QRect inner = form->PicBanner->contentsRect();
    ASSERT_GT(inner.left(), 0);
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(form->LblBanner[i]->mapTo(form->PicBanner, QPoint(0, 0)),
                  inner.topLeft() + QPoint(0, platform::px(60 + 300 * (i - 1))));
    EXPECT_EQ(form->ImBanner->mapTo(form->PicBanner, QPoint(0, 0)), inner.topLeft());
    for (int tick = 0; tick < 3; ++tick) {
        SCOPED_TRACE(tick);
        const QImage box = form->PicBanner->grab().toImage();
        const QRgb border = box.pixel(0, 0);
        int painted_over = 0;
        for (int y = 0; y < box.height(); ++y)
            for (int x = 0; x < box.width(); ++x)
                painted_over += !inner.contains(x, y) && box.pixel(x, y) != border;
        EXPECT_EQ(painted_over, 0);
        form->Timer2_Timer();
    }
    EXPECT_LT(form->LblBanner[1]->LeftTw(), 0);
}

TEST_F(BannerTest, AWideMessageScrollsByItsStepAndComesBackFromTheRight)
{
    EXPECT_FALSE(banner_scorre(3075, 3015));
    EXPECT_TRUE(banner_scorre(3075, 3016));
    local_settings("[mess1]\nintervallo=1000\ntesto1=" + std::string(80, 'W') + "\nvelocita=60\n"
                   "[mess2]\nintervallo=1000\ntesto1=short\n");
    form->Timer1_Timer();
    ASSERT_TRUE(form->Timer2->Enabled());
    form->Timer2_Timer();
    EXPECT_EQ(form->LblBanner[1]->LeftTw(), 0);
    form->Timer2_Timer();
    EXPECT_EQ(form->LblBanner[2]->LeftTw(), -60);   // all three lines move together
    form->pos_scorrimento = -form->larghezza_testo - 1;
    form->Timer2_Timer();
    EXPECT_EQ(form->LblBanner[1]->LeftTw(), 3075);
    form->Timer1_Timer();
    EXPECT_FALSE(form->Timer2->Enabled());
    EXPECT_EQ(form->LblBanner[1]->LeftTw(), 0);
    // A position at the end of its range stays where it is.
    form->pos_scorrimento = 2147483647;
    form->passo_scorrimento = -1;
    form->Timer2_Timer();
    EXPECT_EQ(form->pos_scorrimento, 2147483647);
}

TEST_F(BannerTest, APictureThatDoesNotLoadKeepsThePreviousOne)
{
    QImage red(8, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    red.save(in_program("red.png"));
    local_settings("[mess1]\nintervallo=1000\nimmagine=red.png\nlinkI=http://www.example.com/\n"
                   "[mess2]\nintervallo=1000\nimmagine=missing.png\n"
                   "[mess3]\nintervallo=1000\nimmagine=../red.png\n"
                   "[mess4]\nintervallo=1000\n");
    form->Timer1_Timer();
    const qint64 shown = form->ImBanner->picture().cacheKey();
    EXPECT_FALSE(form->ImBanner->picture().isNull());
    EXPECT_EQ(form->ImBanner->cursor().shape(), Qt::BitmapCursor);
    for (int i = 0; i < 2; ++i) {
        form->Timer1_Timer();
        EXPECT_EQ(form->ImBanner->picture().cacheKey(), shown);
        EXPECT_TRUE(form->ImBanner->isVisibleTo(form->PicBanner));
    }
    EXPECT_EQ(form->ImBanner->cursor().shape(), Qt::ArrowCursor);
    form->Timer1_Timer();
    EXPECT_FALSE(form->ImBanner->isVisibleTo(form->PicBanner));
}

// "set.txt" comes over plain HTTP: whatever it holds, the ticks end, quickly.
TEST_F(BannerTest, AnyFileKeepsTheTicksShortAndTheProgramUp)
{
    std::mt19937 random(7);
    const auto noise = [&](size_t n) {
        std::string s(n, ' ');
        for (char& c : s)
            c = char(random() % 256);
        return s;
    };
    std::vector<std::string> files{
        noise(5000),
        "[mess1]\nintervallo=1e308\nvelocita=-1e300\nfontsize=1e9\nforecolor=-2147483649\ntesto1=" +
            std::string(1'000'000, 'x') + "\n",
        "[mess1]\nintervallo=65535\nbackcolor=99999999999999999999\nvelocita=2147483647\ntesto1=x\n",
    };
    std::string many;
    for (int i = 1; i <= 5000; ++i)
        many += "[mess" + std::to_string(i) + "]\nintervallo=1\ntesto1=" + noise(20) + "\n";
    files.push_back(many);
    for (int round = 0; round < 10; ++round) {
        std::string text;
        for (int k = 0; k < 30; ++k)
            text += "[mess" + std::to_string(random() % 4) + "]\n" +
                    std::vector<std::string>{"intervallo", "testo1", "testo3", "velocita", "fontsize",
                                             "backcolor", "forecolor", "immagine", "note"}[random() % 9] +
                    "=" + noise(random() % 40) + "\n";
        files.push_back(text);
    }
    for (const auto& file : files) {
        local_settings(file);
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 3; ++i) {
            form->Timer1_Timer();
            form->Timer2_Timer();
        }
        form->inizializza_banner();
        form->riempi_menu_link();
        EXPECT_LT(clock.elapsed(), 20000);   // no hang, even on a loaded machine
    }
}

TEST_F(BannerTest, ClicksOpenTheirLinksAndTheTextDecidesBetweenMailAndBrowser)
{
    local_settings("[banner]\nweb1=Site\nLink1=http://www.example.com/\nweb2=Mail\nLink2=info@example.com\n"
                   "web3=Nothing\n"
                   "[mess1]\nintervallo=1000\ntesto1=write to info@example.com\nlink1=http://www.example.com/a\n"
                   "testo2=our site\nlink2=http://www.example.com/b\ntesto3=no link\nlinkI=pic@example.com\n");
    form->Form_Activate();
    form->Timer1_Timer();
    for (int i : {1, 2, 3})   // the third has no link
        form->LblBanner_Click(i);
    form->ImBanner_Click();
    for (int i : {0, 1, 2})
        form->web_Click(i);
    EXPECT_EQ(doubles->shell->opened(), (std::vector<std::string>{
                                            "mailto:http:%2F%2Fwww.example.com%2Fa",   // percent-encoded
                                            "http://www.example.com/b", "mailto:pic@example.com",
                                            "http://www.example.com/", "mailto:info@example.com"}));
    EXPECT_TRUE(doubles->sound->played.empty());
}

} // namespace
