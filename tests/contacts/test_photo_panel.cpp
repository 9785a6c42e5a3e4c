// The photo slots and the photo panel: selecting, linking, unlinking and viewing, with real
// picture files in a temporary folder and the links read back from the book.
#include "contacts/Foto.h"
#include "tests/support/main_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPointer>

#include <array>
#include <functional>

using testing_support::Contact;
using testing_support::MainFixture;

namespace {

using Links = std::array<std::string, 5>;

constexpr double kSlotLeft[6] = {0, 540, 720, 960, 1140, 1380};

// An open-file dialog that looks at the window while it is open and is then cancelled.
class WatchingOpenFile : public platform::OpenFileService {
public:
    explicit WatchingOpenFile(std::function<void()> look) : look_(std::move(look)) {}
    std::string pick(const platform::OpenFileRequest&) override
    {
        look_();
        return {};
    }

private:
    std::function<void()> look_;
};

class PhotoPanelTest : public MainFixture {
protected:
    void SetUp() override
    {
        MainFixture::SetUp();
        for (const char* sound : {"/suoni.wav", "/foto.wav"}) {
            QFile f(QString::fromStdString(program) + sound);
            f.open(QIODevice::WriteOnly);
        }
        saved_folder_ = QDir::currentPath();
        pictures_ = dir.path() + "/pictures";
        QDir().mkpath(pictures_);
    }
    void TearDown() override
    {
        MainFixture::TearDown();
        QDir::setCurrent(saved_folder_);
    }

    // A picture file of the given size in pixels (15 twips each).
    std::string picture(const std::string& name, int width = 30, int height = 20) const
    {
        return save(pictures_ + "/" + QString::fromStdString(name), width, height);
    }
    static std::string save(const QString& path, int width, int height)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(Qt::darkYellow);
        EXPECT_TRUE(image.save(path, "PNG")) << path.toStdString();
        return path.toStdString();
    }

    static Contact contact(const std::string& nick, const Links& links, const std::string& nome = "")
    {
        Contact c{{"nick", nick}, {"nome", nome}};
        for (int k = 0; k < 5; ++k)
            c["foto" + std::to_string(k + 1)] = links[k];
        return c;
    }

    void go_to(const std::string& nick)
    {
        const int rows = form->TDBGrid1->model()->rowCount();
        for (int row = 0; row < rows - 1; ++row) {
            ASSERT_TRUE(form->TDBGrid1->userMoveTo(row, 0));
            if (form->TDBGrid1->Columns(0) == nick)
                return;
        }
        FAIL() << "no row " << nick;
    }
    void go_to_new_row() { ASSERT_TRUE(form->TDBGrid1->userMoveTo(form->TDBGrid1->model()->rowCount() - 1, 0)); }

    Links grid_links() const
    {
        Links links;
        for (int k = 0; k < 5; ++k)
            links[k] = form->TDBGrid1->Columns("foto" + std::to_string(k + 1));
        return links;
    }
    Links stored_links(const std::string& nick) const
    {
        Contact c = stored(nick);
        Links links;
        for (int k = 0; k < 5; ++k)
            links[k] = c["foto" + std::to_string(k + 1)];
        return links;
    }
    bool shows_picture() const { return !form->Image1->isHidden() && form->ianonimo->isHidden(); }
    bool shows_placeholder() const { return form->Image1->isHidden() && !form->ianonimo->isHidden(); }
    bool played(const std::string& sound) const
    {
        for (const auto& p : doubles->sound->played) {
            if (p.size() >= sound.size() && p.compare(p.size() - sound.size(), sound.size(), sound) == 0)
                return true;
        }
        return false;
    }

    QString pictures_;

private:
    QString saved_folder_;
};

} // namespace

TEST(PhotoFrame, FitsPicturesTo1575WideOr1995HighUnrounded)
{
    const struct {
        float w, h, fitted_w, fitted_h;
    } cases[] = {
        {2000, 1500, 1575, 1181.25f},
        {1500, 2000, 1496.25f, 1995},
        {240, 240, 1575, 1575},            // an icon is enlarged
        {1500, 1905, 1575, 2000.25f},      // a ratio of exactly 1.27 takes the width branch
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        const auto [w, h] = Main::misura_in_cornice(c.w, c.h);
        EXPECT_FLOAT_EQ(w, c.fitted_w);
        EXPECT_FLOAT_EQ(h, c.fitted_h);
    }
}

TEST_F(PhotoPanelTest, ThePictureIsFittedIntoTheFrameAndShown)
{
    start({});
    const struct {
        int px_w, px_h;
        double w, h;
    } cases[] = {{140, 105, 1575, 1181.25}, {105, 140, 1496.25, 1995}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.px_w << " x " << c.px_h);
        form->percorso_foto = picture("fit.png", c.px_w, c.px_h);
        form->img_view();
        EXPECT_TRUE(shows_picture());
        EXPECT_EQ(form->Image1->WidthTw(), c.w);
        EXPECT_EQ(form->Image1->HeightTw(), c.h);
        EXPECT_EQ(form->Image1->LeftTw(), 3000);
        EXPECT_EQ(form->Image1->TopTw(), 1560);
    }
}

// The link stays and still counts for the fill mark; the view button then only shows the
// placeholder.
TEST_F(PhotoPanelTest, ADeletedPictureShowsThePlaceholderAndKeepsItsLink)
{
    const std::string gone = picture("gone.png");
    const std::string kept = picture("kept.png");
    start({contact("Anna", {gone, "", kept, "", ""})});
    QFile::remove(QString::fromStdString(gone));
    go_to("Anna");
    form->ifoto_Click(1);
    EXPECT_TRUE(shows_placeholder());
    EXPECT_EQ(form->percorso_foto, "");
    EXPECT_EQ(form->TDBGrid1->Columns("foto1"), gone);
    form->larghezza_numfoto();
    EXPECT_EQ(form->numfoto->WidthTw(), 1110);

    doubles->sound->played.clear();
    form->Image3_Click();
    EXPECT_EQ(form->foto_form, nullptr);
    EXPECT_TRUE(doubles->sound->played.empty());
    EXPECT_TRUE(shows_placeholder());
}

TEST_F(PhotoPanelTest, OnlyLinksBeginningWithLowerCaseDemoAreSamples)
{
    QDir().mkpath(QString::fromStdString(program) + "/PhotoDemo");
    save(QString::fromStdString(program) + "/PhotoDemo/demo1.png", 20, 20);
    save(QString::fromStdString(program) + "/PhotoDemo/Demo1.png", 20, 20);
    start({contact("Anna", {"demo1.png", "Demo1.png", "", "", ""})});
    go_to("Anna");
    form->ifoto_Click(1);
    EXPECT_TRUE(shows_picture());
    EXPECT_EQ(form->percorso_foto, "demo1.png");

    QDir::setCurrent(pictures_);
    form->ifoto_Click(2);
    EXPECT_TRUE(shows_placeholder()) << "Demo1.png is a name relative to the current folder";
    picture("Demo1.png");
    form->ifoto_Click(2);
    EXPECT_TRUE(shows_picture());
}

TEST_F(PhotoPanelTest, ASlotClickSelectsTheSlotWithASound)
{
    const std::string a = picture("a.png");
    start({contact("Anna", {a, "", "", "", ""})});
    go_to("Anna");
    doubles->sound->played.clear();
    form->ifoto_Click(3);
    EXPECT_EQ(form->puntatore_foto, 3);
    EXPECT_EQ(form->ifotosel->LeftTw(), kSlotLeft[3]);
    EXPECT_TRUE(played("suoni.wav"));
    EXPECT_TRUE(shows_placeholder());
    form->ifoto_Click(1);
    EXPECT_TRUE(shows_picture());
    EXPECT_EQ(form->percorso_foto, a);
}

TEST_F(PhotoPanelTest, ASlotClickInAnEmptyBookShowsThePlaceholder)
{
    start({});
    form->ifoto_Click(4);
    EXPECT_EQ(form->puntatore_foto, 4);
    EXPECT_EQ(form->ifotosel->LeftTw(), kSlotLeft[4]);
    EXPECT_TRUE(shows_placeholder());
    EXPECT_EQ(form->percorso_foto, "");
}

TEST_F(PhotoPanelTest, LinkingWithoutANickOnlyShowsTheMessage)
{
    preset("PathFoto", "C:\\Foto");
    start({contact("Anna", {"", "", "", "", ""})});
    go_to_new_row();
    form->ifoto_Click(3);
    doubles->open_file->answers.push_back(picture("a.png"));
    form->Image2_Click();
    ASSERT_EQ(doubles->messages->shown.size(), 1u);
    EXPECT_EQ(doubles->messages->shown[0].text, "The nick miss!");
    EXPECT_TRUE(doubles->open_file->requests.empty());
    EXPECT_EQ(form->path_foto, "C:\\Foto");
    EXPECT_EQ(form->puntatore_foto, 3);
    EXPECT_EQ(stored_count(), 1);
}

TEST_F(PhotoPanelTest, TheDialogAsksInTheCurrentLanguageFromTheRememberedFolder)
{
    preset("PathFoto", "C:\\Foto");
    start({contact("Anna", {"", "", "", "", ""})});
    go_to("Anna");
    form->Image2_Click();
    form->lingua = 1;
    form->Image2_Click();
    ASSERT_EQ(doubles->open_file->requests.size(), 2u);
    const auto& english = doubles->open_file->requests[0];
    const auto& italian = doubles->open_file->requests[1];
    EXPECT_EQ(english.title, "You insert photo");
    EXPECT_EQ(italian.title, "Inserisci foto");
    EXPECT_EQ(english.initial_dir, "C:\\Foto");
    const std::vector<std::pair<std::string, std::string>> filters{
        {"All files imagines ", "*.jpg;*.gif;*.bmp;*.dib;*.wmf;*.emf;*.ico"},
        {"Immagini jpeg (*.jpg)", "*.jpg;"},
        {"Immagini Gif (*.gif)", "*.gif;"},
        {"Immagini Bitmap (*.bmp;*.dib)", "*.bmp;*.dib;"},
        {"Metafile (*.wmf;*.emf)", "*.wmf;*.emf;"},
        {"Icone (*.ico)", "*.ico;"},
    };
    EXPECT_EQ(english.filters, filters);
    auto italian_filters = filters;
    italian_filters[0].first = "Tutti i file immagini ";
    EXPECT_EQ(italian.filters, italian_filters);
    EXPECT_EQ(italian.initial_dir, QDir::currentPath().toStdString()) << "the current folder after the first dialog";
}

// The lowest empty slot below the current one receives the link, or the current slot.
TEST_F(PhotoPanelTest, TheReceivingSlotAndTheStoredLink)
{
    const std::string a = picture("a.png"), b = picture("b.png"), c = picture("c.png"), d = picture("d.png");
    const struct {
        const char* nick;
        int current;
        Links before;
        int receiving;
    } cases[] = {
        {"one", 1, {a, b, "", "", ""}, 1},
        {"three", 3, {a, b, "", "", ""}, 3},
        {"four", 4, {a, "", c, "", ""}, 2},
        {"five_gaps", 5, {a, "", "", "", ""}, 2},
        {"five_full", 5, {a, b, c, d, ""}, 5},
    };
    std::vector<Contact> book;
    for (const auto& t : cases)
        book.push_back(contact(t.nick, t.before));
    start(book);
    QDir(pictures_).mkdir("new");
    const std::string linked = save(pictures_ + "/new/linked.png", 40, 30);
    for (const auto& t : cases) {
        SCOPED_TRACE(t.nick);
        go_to(t.nick);
        form->ifoto_Click(static_cast<int16_t>(t.current));
        doubles->open_file->answers.push_back(linked);
        form->Image2_Click();
        EXPECT_EQ(form->puntatore_foto, t.receiving);
        EXPECT_EQ(form->ifotosel->LeftTw(), kSlotLeft[t.receiving]);
        EXPECT_EQ(form->percorso_foto, linked);
        EXPECT_TRUE(shows_picture());
        EXPECT_EQ(form->path_foto, (pictures_ + "/new").toStdString());
        Links after = t.before;
        after[t.receiving - 1] = linked;
        EXPECT_EQ(stored_links(t.nick), after);
        int highest = 0;
        for (int k = 1; k <= 5; ++k)
            highest = after[k - 1].empty() ? highest : k;
        EXPECT_EQ(form->numfoto->WidthTw(), 540 + 190 * highest);
    }
    EXPECT_TRUE(doubles->messages->shown.empty());
}

// A cancel empties the receiving slot; a higher link keeps the fill mark where it was.
TEST_F(PhotoPanelTest, ACancelledDialogEmptiesTheReceivingSlot)
{
    const std::string a = picture("a.png"), c = picture("c.png");
    start({contact("Anna", {a, "", c, "", ""})});
    go_to("Anna");
    form->ifoto_Click(1);
    const std::string folder = QDir::currentPath().toStdString();
    form->Image2_Click();
    EXPECT_EQ(stored_links("Anna"), (Links{"", "", c, "", ""}));
    EXPECT_EQ(form->percorso_foto, "");
    EXPECT_TRUE(shows_placeholder());
    EXPECT_EQ(form->numfoto->WidthTw(), 1110);
    EXPECT_EQ(form->path_foto, folder);
}

TEST_F(PhotoPanelTest, TheReceivingSlotBecomesCurrentBeforeTheDialogShows)
{
    const std::string a = picture("a.png"), c = picture("c.png");
    start({contact("Anna", {a, "", c, "", ""})});
    go_to("Anna");
    form->ifoto_Click(4);
    int16_t slot_at_dialog = 0;
    double marker_at_dialog = 0;
    platform::services().open_file = std::make_unique<WatchingOpenFile>([&] {
        slot_at_dialog = form->puntatore_foto;
        marker_at_dialog = form->ifotosel->LeftTw();
    });
    form->Image2_Click();
    EXPECT_EQ(slot_at_dialog, 2);
    EXPECT_EQ(marker_at_dialog, kSlotLeft[2]);
    EXPECT_EQ(form->puntatore_foto, 2);
    EXPECT_EQ(stored_links("Anna"), (Links{a, "", c, "", ""}));
}

// The current slot is emptied and written at once; the later links move down in the grid's
// row and reach the book with the row's next write.
TEST_F(PhotoPanelTest, UnlinkingMovesTheLaterLinksDown)
{
    const std::string A = picture("A.png"), B = picture("B.png"), C = picture("C.png"), D = picture("D.png"),
                      E = picture("E.png");
    const struct {
        const char* nick;
        Links before;
        int p;
        Links after;
        double fill;
    } cases[] = {
        {"p1", {A, B, C, D, E}, 1, {B, C, D, E, ""}, 1300},
        {"p2", {A, B, C, D, E}, 2, {A, C, D, E, ""}, 1300},
        {"p3", {A, B, C, D, E}, 3, {A, B, D, E, ""}, 1300},
        {"p4", {A, B, C, D, E}, 4, {A, B, C, E, ""}, 1300},
        {"p5", {A, B, C, D, E}, 5, {A, B, C, D, ""}, 1300},
        {"three", {A, B, C, "", ""}, 2, {A, C, "", "", ""}, 920},
        {"empty_last", {A, "", "", "", ""}, 3, {A, "", "", "", ""}, 730},
        {"hole_stays", {"", "", C, "", E}, 4, {"", "", C, E, ""}, 1300},
    };
    std::vector<Contact> book;
    for (const auto& t : cases)
        book.push_back(contact(t.nick, t.before));
    start(book);
    for (const auto& t : cases) {
        SCOPED_TRACE(t.nick);
        go_to(t.nick);
        form->ifoto_Click(static_cast<int16_t>(t.p));
        form->Image15_DblClick();
        Links committed = t.before;
        committed[t.p - 1] = "";
        EXPECT_EQ(stored_links(t.nick), committed);
        EXPECT_EQ(grid_links(), t.after);
        EXPECT_EQ(form->puntatore_foto, t.p);
        EXPECT_EQ(form->ifotosel->LeftTw(), kSlotLeft[t.p]);
        EXPECT_EQ(form->percorso_foto, t.after[t.p - 1]);
        EXPECT_EQ(t.after[t.p - 1].empty() ? shows_placeholder() : shows_picture(), true);
        EXPECT_EQ(form->numfoto->WidthTw(), t.fill);
        form->TDBGrid1->CommitRowEdit();
        EXPECT_EQ(stored_links(t.nick), t.after);
    }
}

TEST_F(PhotoPanelTest, TheViewerShowsThePanelsPictureUnderItsCaption)
{
    const std::string big = picture("big.png", 90, 60);
    start({contact("Mario", {"", big, "", "", ""}, "Mario Neri"), contact("Solo", {big, "", "", "", ""})});
    go_to("Mario");
    form->ifoto_Click(2);
    QFile::remove(QString::fromStdString(big));   // the viewer takes the loaded picture
    form->Image3_Click();
    ASSERT_NE(form->foto_form, nullptr);
    QPointer<Foto> first = form->foto_form;
    EXPECT_EQ(first->windowTitle(), "Photo 2 of the Mario (Mario Neri)");
    EXPECT_EQ(first->Picture1->size(), QSize(90, 60));
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(played("foto.wav"));

    form->lingua = 1;
    form->Image1_Click();
    EXPECT_EQ(form->foto_form, first.data()) << "one viewer";
    EXPECT_EQ(first->windowTitle(), "Foto 2 di Mario (Mario Neri)");

    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(form->foto_form, nullptr);

    form->lingua = 0;
    picture("big.png", 90, 60);
    go_to("Solo");
    form->ifoto_Click(1);
    form->Image3_Click();
    ASSERT_NE(form->foto_form, nullptr);
    EXPECT_EQ(form->foto_form->windowTitle(), "Photo 1 of the Solo");
}

TEST_F(PhotoPanelTest, TheViewerGoesWithTheMainWindow)
{
    start({contact("Anna", {picture("a.png"), "", "", "", ""})});
    go_to("Anna");
    form->ifoto_Click(1);
    form->Image3_Click();
    QPointer<Foto> viewer = form->foto_form;
    ASSERT_FALSE(viewer.isNull());
    form.reset();
    EXPECT_TRUE(viewer.isNull());
}
