// The photo slots of the current contact and the photo panel: selecting a slot, linking and
// unlinking pictures, the current picture fitted into its frame, the view in the viewer.
#include "contacts/Foto.h"
#include "contacts/Main.h"
#include "contacts/layout.h"
#include "platform/bind.h"
#include "platform/failure.h"
#include "platform/files.h"
#include "platform/pictures.h"
#include "platform/runtime.h"
#include "platform/screen.h"
#include "platform/services.h"

#include <QApplication>
#include <QCursor>
#include <QPointer>

using platform::resume_next;

namespace {

constexpr int16_t kSlots = 5;
constexpr int kSlotLeft[kSlots + 1] = {0, 540, 720, 960, 1140, 1380};

// The fit frame: 1575 twips wide, or 1995 high for a tall picture.
constexpr float kFrameWidth = 1575;
constexpr float kFrameHeight = 1995;
constexpr double kTallRatio = 1.27;

constexpr int errDivisionByZero = 11;

std::string slot_field(int k)
{
    return "foto" + std::to_string(k);
}

// A quotient of single-precision twips; a zero divisor fails the step as the old runtime did,
// instead of handing an infinite size to the control.
float quotient(float a, float b)
{
    if (b == 0)
        throw platform::StepError(errDivisionByZero, "Division by zero");
    return a / b;
}

platform::ImageControl* slot_area(const std::array<platform::ImageControl*, 6>& ifoto, int16_t i)
{
    if (i < 1 || i > kSlots)
        throw platform::StepError(platform::errSubscript, "Subscript out of range");
    return ifoto[static_cast<size_t>(i)];
}

// The viewer is created on first use; closing it deletes it, and the main window forgets it.
// It has no owner window, so it is deleted with the main window explicitly.
Foto& viewer(Main& form)
{
    if (!form.foto_form) {
        auto* foto = new Foto();
        form.foto_form = foto;
        const auto forget = QObject::connect(foto, &QObject::destroyed, &form, [&form] { form.foto_form = nullptr; });
        // By then the main window is no longer a Main: it must not be told of the deletion.
        QObject::connect(&form, &QObject::destroyed, [foto = QPointer<Foto>(foto), forget] {
            QObject::disconnect(forget);
            delete foto.data();
        });
    }
    return *form.foto_form;
}

} // namespace

void Main::crea_pannello_foto()
{
    using platform::click_area;
    const QCursor hand = platform::picture_pointer(QStringLiteral(":/art/hand.png"));

    auto* strip = new platform::ImageControl(this);
    strip->setPicture(QPixmap(QStringLiteral(":/art/strip_foto.png")));
    platform::place(strip, 3000, 1260, 1575, 315);
    Picture2 = strip;

    // Not stretched: its width crops the bar so that the digits up to the highest slot in
    // use show in orange.
    numfoto = new platform::ImageControl(Picture2);
    numfoto->setPicture(QPixmap(QStringLiteral(":/art/strip_photo.png")));
    numfoto->setLeftTw(0);
    numfoto->setTopTw(0);
    numfoto->setWidthTw(1590);
    numfoto->setHeightTw(345);

    ifotosel = new platform::ImageControl(Picture2);
    ifotosel->setPicture(QPixmap(QStringLiteral(":/art/marker.png")));
    ifotosel->setLeftTw(540);
    ifotosel->setTopTw(240);
    ifotosel->setWidthTw(195);
    ifotosel->setHeightTw(90);

    for (int16_t i = 1; i <= kSlots; ++i) {
        ifoto[static_cast<size_t>(i)] = click_area(Picture2, {double(kSlotLeft[i]), 0, 150, 255}, hand);
        platform::on(ifoto[static_cast<size_t>(i)], &platform::ImageControl::clicked, this, "ifoto_Click",
                     &Main::ifoto_Click, i);
    }
    Image15 = click_area(Picture2, {120, 60, 315, 195}, hand);
    Image15->setToolTip(QStringLiteral("Double click to eliminate the link to the photo"));
    platform::on(Image15, &platform::ImageControl::doubleClicked, this, "Image15_DblClick", &Main::Image15_DblClick);

    Image1 = click_area(this, {3000, 1560, 1575, 1935}, hand);
    Image1->setStretch(true);
    Image1->hide();
    platform::on(Image1, &platform::ImageControl::clicked, this, "Image1_Click", &Main::Image1_Click);

    ianonimo = click_area(this, {3000, 1560, 1575, 1935}, hand);
    ianonimo->setStretch(true);
    ianonimo->setPicture(QPixmap(QStringLiteral(":/art/anonimo.png")));
    platform::on(ianonimo, &platform::ImageControl::clicked, this, "ianonimo_Click", &Main::ianonimo_Click);

    Image2 = click_area(this, layout::kLinkPhoto, hand);
    Image2->setToolTip(QStringLiteral("To Link Photo"));
    platform::on(Image2, &platform::ImageControl::clicked, this, "Image2_Click", &Main::Image2_Click);

    Image3 = click_area(this, layout::kViewPhoto, hand);
    Image3->setToolTip(QStringLiteral("View Photo"));
    platform::on(Image3, &platform::ImageControl::clicked, this, "Image3_Click", &Main::Image3_Click);
}

void Main::inizializza_puntatore_foto(int16_t& i)
{
    platform::ImageControl* area = slot_area(ifoto, i);
    puntatore_foto = i;
    ifotosel->setLeftTw(area->LeftTw());
}

void Main::anonimo()
{
    ianonimo->show();
    Image1->hide();
}

std::pair<float, float> Main::misura_in_cornice(float w, float h)
{
    const float ratio = quotient(h, w);
    if (static_cast<double>(ratio) > kTallRatio)
        return {quotient(kFrameHeight * w, h), kFrameHeight};
    return {kFrameWidth, quotient(kFrameWidth * h, w)};
}

// Image1 stays hidden from before the load until the picture is fitted, so no half-fitted
// picture is ever drawn.
void Main::img_view()
{
    platform::set_mouse_pointer(platform::vbHourglass);
    bool failed = false;
    const auto step = [&failed](auto&& f) {
        if (!resume_next(f))
            failed = true;
    };
    step([&] {
        Image1->hide();
        Image1->setStretch(false);
    });
    step([&] {
        const std::string file = percorso_foto.compare(0, 4, "demo") == 0
            ? platform::program_folder() + "\\PhotoDemo\\" + percorso_foto
            : percorso_foto;
        Image1->setPicture(platform::LoadPicture(file));
    });
    float h = 0;
    float w = 0;
    step([&] {
        h = static_cast<float>(Image1->HeightTw());
        w = static_cast<float>(Image1->WidthTw());
    });
    step([&] { Image1->setStretch(true); });
    step([&] {
        const auto [width, height] = misura_in_cornice(w, h);
        Image1->setWidthTw(width);
        Image1->setHeightTw(height);
    });
    step([&] {
        Image1->show();
        ianonimo->hide();
    });
    if (failed) {
        percorso_foto.clear();
        resume_next([&] { anonimo(); });
    }
    platform::set_mouse_pointer(platform::vbDefault);
}

void Main::mostra_collegamento(const std::string& link)
{
    percorso_foto = link;
    if (link.empty())
        anonimo();
    else
        img_view();
}

void Main::larghezza_numfoto()
{
    int highest = 0;
    for (int k = 1; k <= kSlots; ++k) {
        if (!TDBGrid1->Columns(slot_field(k)).empty())
            highest = k;
    }
    numfoto->setWidthTw(540 + 190 * highest);
}

// The slot's link is the data control's current record as the grid's row shows it, pending
// edits included: after an unlink the moved links wait in the row, and the stored record
// would show each slot as it was, so that a new link could replace one the panel hides.
void Main::ifoto_Click(int16_t Index)
{
    resume_next([&] { TDBGrid1->setMarqueeStyle(3); });
    resume_next([&] {
        platform::ImageControl* area = slot_area(ifoto, Index);
        puntatore_foto = Index;
        ifotosel->setLeftTw(area->LeftTw());
    });
    resume_next([&] { Suono("suoni.wav"); });
    long position = -1;
    resume_next([&] { position = Data1.recordset().AbsolutePosition(); });
    std::string link;
    if (position != -1)
        resume_next([&] { link = TDBGrid1->Columns(slot_field(Index)); });
    resume_next([&] { mostra_collegamento(link); });
}

// The receiving slot is the lowest empty slot below the current one, or the current slot.
// A cancelled dialog leaves the receiving slot as it was: a slip of the Esc key must not throw
// away a link the user cannot get back.
void Main::Image2_Click()
{
    bool no_nick = true;
    resume_next([&] { no_nick = TDBGrid1->Columns(0).empty(); });
    if (no_nick) {
        resume_next([&] { manca_nick(); });
        return;
    }
    resume_next([&] { TDBGrid1->CommitRowEdit(); });
    resume_next([&] { TDBGrid1->setMarqueeStyle(3); });
    int16_t receiving = 0;
    for (int16_t k = static_cast<int16_t>(puntatore_foto - 1); k >= 1; --k) {
        std::string link;
        resume_next([&] { link = TDBGrid1->Columns(slot_field(k)); });
        if (link.empty())
            receiving = k;
    }
    if (receiving != 0)
        resume_next([&] { inizializza_puntatore_foto(receiving); });

    const bool english = lingua == 0;
    const platform::OpenFileRequest request{
        english ? "You insert photo" : "Inserisci foto",
        {{english ? "All files imagines " : "Tutti i file immagini ", "*.jpg;*.gif;*.bmp;*.dib;*.wmf;*.emf;*.ico"},
         {"Immagini jpeg (*.jpg)", "*.jpg;"},
         {"Immagini Gif (*.gif)", "*.gif;"},
         {"Immagini Bitmap (*.bmp;*.dib)", "*.bmp;*.dib;"},
         {"Metafile (*.wmf;*.emf)", "*.wmf;*.emf;"},
         {"Icone (*.ico)", "*.ico;"}},
        path_foto};
    std::string picked;
    resume_next([&] { picked = platform::services().open_file->pick(request); });

    const std::string field = slot_field(puntatore_foto);
    if (!picked.empty()) {
        percorso_foto = picked;
        resume_next([&] { TDBGrid1->SetColumn(field, picked); });
        img_view();
    } else {
        std::string link;
        resume_next([&] { link = TDBGrid1->Columns(field); });
        resume_next([&] { mostra_collegamento(link); });
    }
    resume_next([&] { path_foto = platform::current_folder(); });
    resume_next([&] { larghezza_numfoto(); });
    resume_next([&] { TDBGrid1->CommitRowEdit(); });
}

void Main::ianonimo_Click()
{
    Image2_Click();
}

// The current slot's link is removed and written at once; the later links move down one
// slot in the grid's row and reach the book when the grid next writes the row. The add-new
// row with nothing typed has no link to remove: a write there would add a contact without a
// nick.
void Main::Image15_DblClick()
{
    bool empty_new_row = false;
    resume_next([&] { empty_new_row = TDBGrid1->AddNewState() == 1; });
    if (empty_new_row)
        return;
    const int16_t p = puntatore_foto;
    resume_next([&] { TDBGrid1->SetColumn(slot_field(p), std::string()); });
    resume_next([&] { TDBGrid1->CommitRowEdit(); });
    for (int k = p; k <= kSlots; ++k) {
        resume_next([&] {
            TDBGrid1->SetColumn(slot_field(k), k == kSlots ? std::string() : TDBGrid1->Columns(slot_field(k + 1)));
        });
    }
    std::string link;
    resume_next([&] { link = TDBGrid1->Columns(slot_field(p)); });
    resume_next([&] { mostra_collegamento(link); });
    resume_next([&] { larghezza_numfoto(); });
}

// The viewer gets the picture the panel already shows, not the file read again.
void Main::Image3_Click()
{
    resume_next([&] { TDBGrid1->setMarqueeStyle(3); });
    if (percorso_foto.empty()) {
        resume_next([&] { anonimo(); });
        return;
    }
    platform::set_mouse_pointer(platform::vbHourglass);
    resume_next([&] { Suono("foto.wav"); });
    resume_next([&] { viewer(*this).setPicture1(Image1->picture()); });
    std::string suffix;
    resume_next([&] {
        const std::string nome = TDBGrid1->Columns(1);
        if (!nome.empty())
            suffix = " (" + nome + ")";
    });
    resume_next([&] {
        const std::string slot = platform::Str(puntatore_foto);
        const std::string caption = lingua == 0 ? "Photo" + slot + " of the " + TDBGrid1->Columns(0) + suffix
                                                : "Foto" + slot + " di " + TDBGrid1->Columns(0) + suffix;
        viewer(*this).setWindowTitle(QString::fromStdString(caption));
    });
    resume_next([&] {
        Foto& foto = viewer(*this);
        foto.show();
        foto.raise();
        foto.activateWindow();
    });
    platform::set_mouse_pointer(platform::vbDefault);
}

void Main::Image1_Click()
{
    Image3_Click();
}
