// The photo slots, panel and viewer, with real picture files and the links read back from the book.
#include "contacts/Foto.h"
#include "platform/controls.h"
#include "platform/screen.h"
#include "tests/support/helpers.h"
#include "tests/support/main_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPointer>
#include <QScrollBar>
#include <array>

using platform::px;
using testing_support::Contact;

namespace {

using Links = std::array<std::string, 5>;

constexpr double kSlotLeft[6] = {0, 540, 720, 960, 1140, 1380};
const std::string kPlaceholder = "<placeholder>";

Contact contact(const std::string& nick, const Links& links, const std::string& nome = "")
{
    Contact c{{"nick", nick}, {"nome", nome}};
    for (int k = 1; k <= 5; ++k)
        c["foto" + std::to_string(k)] = links[k - 1];
    return c;
}

class PhotoPanelTest : public testing_support::MainFixture {
protected:
    void SetUp() override
    {
        MainFixture::SetUp();
        add_sounds({"suoni.wav", "foto.wav"});
        QDir().mkpath(pictures_);
    }
    // A picture file of the given size in pixels (15 twips each).
    static std::string save(const QString& path, int width = 30, int height = 20)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkYellow);
        EXPECT_TRUE(image.save(path, "PNG")) << path.toStdString();
        return path.toStdString();
    }
    std::string picture(const char* name, int width = 30, int height = 20) const
    {
        return save(pictures_ + "/" + name, width, height);
    }
    void go_to(const std::string& nick)
    {
        for (int row = 0; row < add_new_row(); ++row) {
            ASSERT_TRUE(form->TDBGrid1->userMoveTo(row, 0));
            if (form->TDBGrid1->Columns(0) == nick)
                return;
        }
        FAIL() << "no row " << nick;
    }
    Links grid_links() const
    {
        const auto column = [this](const char* name) { return form->TDBGrid1->Columns(name); };
        return {column("foto1"), column("foto2"), column("foto3"), column("foto4"), column("foto5")};
    }
    Links stored_links(const std::string& nick) const
    {
        Contact c = stored(nick);
        return {c["foto1"], c["foto2"], c["foto3"], c["foto4"], c["foto5"]};
    }
    // The current link with its picture shown, or kPlaceholder; anything else is out of step.
    std::string shown() const
    {
        if (!form->Image1->isHidden() && form->ianonimo->isHidden())
            return form->percorso_foto;
        if (form->Image1->isHidden() && !form->ianonimo->isHidden() && form->percorso_foto.empty())
            return kPlaceholder;
        return "<out of step>";
    }
    const QString pictures_ = dir.path() + "/pictures";
};

// The viewer alone, against a screen of 1000 x 800 pixels.
constexpr double SW = 15000;
constexpr double SH = 12000;
class PhotoViewerTest : public ::testing::Test {
protected:
    void SetUp() override { platform::set_screen_size(platform::ScreenSize{SW, SH}); }
    void TearDown() override { platform::set_screen_size(std::nullopt); }
    static QPixmap picture(double width_twips, double height_twips)
    {
        QPixmap p(px(width_twips), px(height_twips));
        p.fill(Qt::darkCyan);
        return p;
    }
    std::unique_ptr<Foto> foto = std::make_unique<Foto>();
};

} // namespace

TEST(PhotoFrame, FitsPicturesTo1575WideOr1995HighUnrounded)
{
    const struct { float w, h, fitted_w, fitted_h; } cases[] = {
        {2000, 1500, 1575, 1181.25f},
        {1500, 2000, 1496.25f, 1995},
        {240, 240, 1575, 1575},         // an icon is enlarged
        {1500, 1905, 1575, 2000.25f},   // a ratio of exactly 1.27 takes the width branch
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        const auto [w, h] = Main::misura_in_cornice(c.w, c.h);
        EXPECT_FLOAT_EQ(w, c.fitted_w);
        EXPECT_FLOAT_EQ(h, c.fitted_h);
    }
}

// A picture that cannot be loaded shows the placeholder, but its link stays.
TEST_F(PhotoPanelTest, ASlotClickShowsItsPictureOrThePlaceholder)
{
    const std::string kept = picture("kept.png", 105, 140);
    const std::string gone = picture("gone.png");
    start({contact("Anna", {kept, "", gone, "", ""})});
    QFile::remove(QString::fromStdString(gone));
    go_to("Anna");
    form->ifoto_Click(1);
    EXPECT_EQ(shown(), kept);
    form->ifoto_Click(2);
    EXPECT_EQ(shown(), kPlaceholder);
    EXPECT_EQ(std::pair(form->puntatore_foto, form->ifotosel->LeftTw()), std::pair(int16_t(2), kSlotLeft[2]));
    form->ifoto_Click(3);
    EXPECT_EQ(shown(), kPlaceholder);
    EXPECT_EQ(form->TDBGrid1->Columns("foto3"), gone);
    form->larghezza_numfoto();
    EXPECT_EQ(form->numfoto->WidthTw(), 1110);
    form->Image3_Click();
    EXPECT_EQ(form->foto_form, nullptr);
}

TEST_F(PhotoPanelTest, OnlyLinksBeginningWithLowerCaseDemoAreSamples)
{
    const QString samples = QString::fromStdString(program) + "/PhotoDemo/";
    QDir().mkpath(samples);
    save(samples + "demo1.png");
    save(samples + "Demo1.png");
    start({contact("Anna", {"demo1.png", "Demo1.png", "", "", ""})});
    go_to("Anna");
    form->ifoto_Click(1);
    EXPECT_EQ(shown(), "demo1.png");
    QDir::setCurrent(pictures_);
    form->ifoto_Click(2);
    EXPECT_EQ(shown(), kPlaceholder) << "Demo1.png is a name relative to the current folder";
    picture("Demo1.png");
    form->ifoto_Click(2);
    EXPECT_EQ(shown(), "Demo1.png");
}

// In an empty book a slot click finds no record, and linking finds no nick: only the message.
TEST_F(PhotoPanelTest, AnEmptyBook)
{
    preset("PathFoto", "C:\\Foto");
    start({});
    doubles->sound->played.clear();
    form->ifoto_Click(3);
    EXPECT_EQ(std::pair(form->puntatore_foto, form->ifotosel->LeftTw()), std::pair(int16_t(3), kSlotLeft[3]));
    EXPECT_EQ(shown(), kPlaceholder);
    EXPECT_EQ(doubles->sound->played, heard({"suoni.wav"}));
    doubles->open_file->answers.push_back(picture("a.png"));
    form->Image2_Click();
    EXPECT_EQ(messages(), std::vector<std::string>{"The nick miss!"});
    EXPECT_TRUE(doubles->open_file->requests.empty());
    EXPECT_EQ(form->path_foto, "C:\\Foto");
    EXPECT_EQ(stored_count(), 0);
}

// The lowest empty slot below the current one, or the current slot, receives the link.
TEST_F(PhotoPanelTest, TheReceivingSlotAndTheStoredLink)
{
    const std::string a = picture("a.png"), b = picture("b.png"), c = picture("c.png"), d = picture("d.png");
    QDir(pictures_).mkdir("new");
    const std::string linked = picture("new/linked.png", 40, 30);
    const std::string picked_folder = (pictures_ + "/new").toStdString();
    const struct {
        const char* nick;
        int16_t current;
        Links before;
        bool cancel;
        int16_t receiving;   // and afterwards the current slot
        Links after;
        double fill;
    } cases[] = {
        {"one", 1, {a, b, "", "", ""}, false, 1, {linked, b, "", "", ""}, 920},
        {"four", 4, {a, "", c, "", ""}, false, 2, {a, linked, c, "", ""}, 1110},
        {"five_full", 5, {a, b, c, d, ""}, false, 5, {a, b, c, d, linked}, 1490},
        // A cancel keeps the slot's link, in the book and on show; an empty slot stays empty.
        {"cancel_one", 1, {a, "", c, "", ""}, true, 1, {a, "", c, "", ""}, 1110},
        {"cancel_four", 4, {a, "", c, "", ""}, true, 2, {a, "", c, "", ""}, 1110},
    };
    std::vector<Contact> book;
    for (const auto& t : cases)
        book.push_back(contact(t.nick, t.before));
    start(book);
    for (const auto& t : cases) {
        SCOPED_TRACE(t.nick);
        go_to(t.nick);
        form->ifoto_Click(t.current);
        doubles->open_file->answers.push_back(t.cancel ? "" : linked);
        form->Image2_Click();
        EXPECT_EQ(form->puntatore_foto, t.receiving);
        const std::string& kept = t.after[size_t(t.receiving - 1)];
        EXPECT_EQ(shown(), !t.cancel ? linked : kept.empty() ? kPlaceholder : kept);
        EXPECT_EQ(form->percorso_foto, t.cancel ? kept : linked);
        EXPECT_EQ(form->path_foto, picked_folder) << "where the last pick left the process";
        EXPECT_EQ(stored_links(t.nick), t.after);
        EXPECT_EQ(form->numfoto->WidthTw(), t.fill);
    }
    EXPECT_EQ(doubles->open_file->requests[1].initial_dir, picked_folder);
    EXPECT_TRUE(doubles->messages->shown.empty());
}

// The emptied slot is written at once; the later links move down with the row's next write.
TEST_F(PhotoPanelTest, UnlinkingMovesTheLaterLinksDown)
{
    const std::string A = picture("A.png"), B = picture("B.png"), C = picture("C.png"), D = picture("D.png"),
                      E = picture("E.png");
    const struct { const char* nick; Links before; int16_t p; Links after; double fill; } cases[] = {
        {"first", {A, B, C, D, E}, 1, {B, C, D, E, ""}, 1300},
        {"second_of_three", {A, B, C, "", ""}, 2, {A, C, "", "", ""}, 920},
        {"empty_last", {A, "", "", "", ""}, 3, {A, "", "", "", ""}, 730},
        {"hole_stays", {"", "", C, "", E}, 4, {"", "", C, E, ""}, 1300},
        {"fifth", {A, B, C, D, E}, 5, {A, B, C, D, ""}, 1300},
    };
    std::vector<Contact> book;
    for (const auto& t : cases)
        book.push_back(contact(t.nick, t.before));
    start(book);
    for (const auto& t : cases) {
        SCOPED_TRACE(t.nick);
        go_to(t.nick);
        form->ifoto_Click(t.p);
        form->Image15_DblClick();
        Links committed = t.before;
        committed[t.p - 1] = "";
        EXPECT_EQ(stored_links(t.nick), committed);
        EXPECT_EQ(grid_links(), t.after);
        EXPECT_EQ(std::pair(form->puntatore_foto, form->ifotosel->LeftTw()), std::pair(t.p, kSlotLeft[t.p]));
        EXPECT_EQ(shown(), t.after[t.p - 1].empty() ? kPlaceholder : t.after[t.p - 1]);
        EXPECT_EQ(form->numfoto->WidthTw(), t.fill);
        form->ifoto_Click(t.p);
        EXPECT_EQ(shown(), t.after[t.p - 1].empty() ? kPlaceholder : t.after[t.p - 1]);
        EXPECT_EQ(stored_links(t.nick), committed);
        form->TDBGrid1->CommitRowEdit();
        EXPECT_EQ(stored_links(t.nick), t.after);
    }
    ASSERT_TRUE(form->TDBGrid1->userMoveTo(add_new_row(), 0));
    form->Image15_DblClick();
    EXPECT_EQ(form->TDBGrid1->AddNewState(), 1);
    EXPECT_EQ(stored_count(), 5);
}

// One viewer, fed with the picture the panel already shows, and deleted with the main window.
TEST_F(PhotoPanelTest, TheViewerShowsThePanelsPictureUnderItsCaption)
{
    const std::string big = picture("big.png", 90, 60);
    start({contact("Mario", {"", big, "", "", ""}, "Mario Neri"), contact("Solo", {picture("a.png"), "", "", "", ""})});
    go_to("Solo");
    form->ifoto_Click(1);
    form->Image3_Click();
    QPointer<Foto> viewer = form->foto_form;
    ASSERT_FALSE(viewer.isNull());
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(doubles->sound->played.back(), program + "/foto.wav");
    go_to("Mario");
    form->ifoto_Click(2);
    QFile::remove(QString::fromStdString(big));
    form->lingua = 1;
    form->Image1_Click();
    EXPECT_EQ(form->foto_form, viewer.data());
    EXPECT_EQ(viewer->windowTitle(), "Foto 2 di Mario (Mario Neri)");
    EXPECT_EQ(viewer->Picture1->size(), QSize(90, 60));
    viewer->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(viewer.isNull());
    EXPECT_EQ(form->foto_form, nullptr);
    form->Image3_Click();
    viewer = form->foto_form;
    ASSERT_FALSE(viewer.isNull());
    form.reset();
    EXPECT_TRUE(viewer.isNull());
}

// The bars take no focus, so the window's keys pan; a dragged thumb pans when released.
// A bar the layout leaves untouched keeps its design length (2295 and 2775).
TEST_F(PhotoViewerTest, TheLayoutFollowsThePictureAgainstTheScreen)
{
    const struct {
        const char* name;
        double PW, PH, W, H, view_w, view_h;
        bool h_bar, v_bar;
        double h_bar_w, v_bar_h;
        int h_max, v_max;
    } cases[] = {
        {"D smaller both ways", 9000, 6000, 9090, 6330, 9000, 6000, false, false, 2295, 2775, 0, 0},
        {"D exactly as wide as the screen", SW, 6000, SW + 90, 6330, SW, 6000, false, false, 2295, 2775, 0, 0},
        {"B wide", 18000, 6000, SW, 6330, 18000, 6330 - 545, true, false, SW - 90, 2775, 3000, 0},
        {"C tall", 9000, 15000, 9090, SH, 8790, 15000, false, true, 2295, SH - 335, 0, 3245},
        {"A wide and tall", 18000, 15000, SW, SH, SW - 300, SH - 545, true, true, SW - 300, SH - 545, 3000, 3245},
        {"D as large as Picture1's design", 1395, 1335, 1485, 1665, 1395, 1335, false, false, 2295, 2775, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        foto = std::make_unique<Foto>();
        foto->setPicture1(picture(c.PW, c.PH));
        const QScrollBar* h = foto->HScroll1;
        const QScrollBar* v = foto->VScroll1;
        EXPECT_EQ(foto->Picture1->size(), QSize(px(c.PW), px(c.PH)));
        EXPECT_EQ(QSizeF(foto->Width(), foto->Height()), QSizeF(c.W, c.H));
        EXPECT_EQ(foto->Picture2->size(), QSize(px(c.view_w), px(c.view_h)));
        EXPECT_EQ(std::pair(!h->isHidden(), !v->isHidden()), std::pair(c.h_bar, c.v_bar));
        EXPECT_EQ(std::pair(h->width(), v->height()), std::pair(px(c.h_bar_w), px(c.v_bar_h)));
        EXPECT_EQ(std::pair(h->maximum(), v->maximum()), std::pair(c.h_max, c.v_max));
        EXPECT_EQ(std::pair(h->y(), v->x()), std::pair(px(c.H - 300 - 245), px(c.W - 300)));
    }
}

TEST_F(PhotoViewerTest, TheBarsAndTheKeysPanThePicture)
{
    foto->setPicture1(picture(18000, 15000));
    QScrollBar* h = foto->HScroll1;
    h->setValue(1500);
    EXPECT_EQ(foto->Picture1->x(), px(-1500));
    h->setValue(0);
    EXPECT_EQ(foto->Picture1->x(), 0);
    h->triggerAction(QAbstractSlider::SliderPageStepAdd);
    h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(foto->Picture1->x(), px(-600));
    foto->VScroll1->setSliderDown(true);
    foto->VScroll1->setValue(1000);
    EXPECT_EQ(foto->Picture1->y(), 0);
    foto->VScroll1->setSliderDown(false);
    EXPECT_EQ(foto->Picture1->pos(), QPoint(px(-600), px(-1000)));
    foto->setPicture1(picture(18000, 15000));   // the same size runs no layout
    EXPECT_EQ(foto->Picture1->pos(), QPoint(px(-600), px(-1000)));
    EXPECT_EQ(h->value(), 600);
    const auto press = [this](int key) {
        testing_support::press(foto.get(), key);
        return foto->Picture1->pos();
    };
    EXPECT_EQ(foto->focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(press(Qt::Key_Home), QPoint(px(-600), 0));
    EXPECT_EQ(press(Qt::Key_Right), QPoint(px(-700), 0));
    EXPECT_EQ(press(Qt::Key_PageDown), QPoint(px(-700), px(-500)));
    EXPECT_EQ(press(Qt::Key_End), QPoint(px(-700), px(-3245)));
    foto->setPicture1(picture(18000, 6000));   // wide only
    EXPECT_EQ(press(Qt::Key_End), QPoint(px(-3000), 0));
    EXPECT_EQ(press(Qt::Key_Down), QPoint(px(-3000), 0)) << "a hidden bar does not pan";
    foto->setPicture1(picture(SW + 33000, 15000));   // a maximum beyond 16 bits fails its step only
    EXPECT_EQ(h->maximum(), 3000);
    EXPECT_EQ(foto->Width(), SW);
}

// Arrows pan by 100 twips, pages by 500, Home and End go to the ends; page and end keys move
// the horizontal bar when it is the only one.
TEST_F(PhotoViewerTest, KeysPanThePicture)
{
    const auto press = [this](int key) {
        testing_support::press(foto.get(), key);
        return foto->Picture1->pos();
    };
    foto->setPicture1(picture(18000, 15000));
    EXPECT_EQ(foto->focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(press(Qt::Key_Right), QPoint(px(-100), 0));
    EXPECT_EQ(press(Qt::Key_Down), QPoint(px(-100), px(-100)));
    EXPECT_EQ(press(Qt::Key_PageDown), QPoint(px(-100), px(-600)));
    EXPECT_EQ(press(Qt::Key_End), QPoint(px(-100), px(-3245)));
    EXPECT_EQ(press(Qt::Key_PageUp), QPoint(px(-100), px(-2745)));
    EXPECT_EQ(press(Qt::Key_Home), QPoint(px(-100), 0));
    EXPECT_EQ(press(Qt::Key_Left), QPoint(0, 0));

    foto->setPicture1(picture(18000, 6000));   // wide only
    EXPECT_EQ(press(Qt::Key_End), QPoint(px(-3000), 0));
    EXPECT_EQ(press(Qt::Key_Down), QPoint(px(-3000), 0)) << "a hidden bar does not pan";
    EXPECT_EQ(press(Qt::Key_PageUp), QPoint(px(-2500), 0));
    EXPECT_EQ(press(Qt::Key_Home), QPoint(0, 0));
}

// Our choice for a viewer that is still open: a picture of another size starts from a fresh
// window's state (no bar of the earlier picture stays, no pan offset carries over), and a
// window that grows stays on the screen.
TEST_F(PhotoViewerTest, ANewPictureInTheOpenViewer)
{
    foto->setPicture1(picture(6000, 4500));
    foto->show();
    EXPECT_EQ(foto->minimumSize(), foto->maximumSize()) << "the user cannot resize it";
    EXPECT_EQ(foto->pos(), QPoint(px((SW - 6090) / 2), px((SH - 4830) / 2)));
    foto->setPicture1(picture(18000, 6000));   // the width of the screen
    EXPECT_EQ(foto->pos(), QPoint(0, px((SH - 4830) / 2)));
    foto->setPicture1(picture(18000, 15000));
    EXPECT_EQ(foto->pos(), QPoint(0, 0));

    foto->HScroll1->setValue(1500);
    foto->VScroll1->setValue(700);
    foto->setPicture1(picture(18000, 6000));   // still wide, no longer tall
    EXPECT_EQ(std::pair(foto->HScroll1->isHidden(), foto->VScroll1->isHidden()), std::pair(false, true));
    EXPECT_EQ(std::pair(foto->HScroll1->value(), foto->VScroll1->value()), std::pair(0, 0));
    EXPECT_EQ(foto->Picture1->pos(), QPoint(0, 0));

    foto->HScroll1->setValue(900);
    foto->move(px(3000), px(3000));
    foto->setPicture1(picture(3000, 3000));
    EXPECT_TRUE(foto->HScroll1->isHidden());
    EXPECT_EQ(foto->Picture1->pos(), QPoint(0, 0));
    EXPECT_EQ(QSizeF(foto->Width(), foto->Height()), QSizeF(3090, 3330));
    foto->hide();
    foto->show();
    EXPECT_EQ(foto->pos(), QPoint(px(3000), px(3000))) << "a window that fits stays; only the first showing centres";
}
