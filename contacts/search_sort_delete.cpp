// Search, sort and delete on the contact list. Each acts on Data1 or on the grid's current
// row only; the card follows through the grid's row-change handling.
#include "contacts/Main.h"
#include "contacts/layout.h"
#include "platform/app.h"
#include "platform/bind.h"
#include "platform/failure.h"
#include "platform/jet_sql.h"
#include "platform/services.h"

#include <optional>

using platform::resume_next;

namespace {

constexpr int16_t kEnter = 13;

// The sort orders of the menu, by item index; the separators have none. Photos first: the
// query gives -1 (true) to a contact with a photo, so they lead in ascending order of espr1.
const char* record_source_of(int16_t index)
{
    switch (index) {
    case 0: return "select * from qcontatti order by nick";
    case 1: return "select * from qcontatti order by nome";
    case 3: return "select * from qcontatti order by punti desc, nick";
    case 4: return "select * from qcontatti order by simpatia desc, nick";
    case 5: return "select * from qcontatti order by bellezza desc, nick";
    case 6: return "select * from qcontatti order by affinita desc, nick";
    case 7: return "select * from qcontatti order by cultura desc, nick";
    case 9: return "select * from qcontatti order by espr1, nick";
    default: return nullptr;
    }
}

const char* const kSortCaptions[10] = {
    "Sort for Nick", "Sort for Name", "-", "Sort for Score", "Sort for Liking",
    "Sort for Beauty", "Sort for Affinity", "Sort for Culture", "-", "Sort with Photo",
};

} // namespace

void Main::crea_ricerca()
{
    find = new QLineEdit(this);
    // A click into the box must not clear the selection that the focus handling makes.
    const auto* events = new platform::TextBoxEvents(find, true);
    platform::on(events, &platform::TextBoxEvents::GotFocus, this, "find_GotFocus", &Main::find_GotFocus);
    platform::on(events, &platform::TextBoxEvents::KeyPress, this, "find_KeyPress", &Main::find_KeyPress);
    platform::place(find, layout::kFind.left, layout::kFind.top, layout::kFind.width, layout::kFind.height);
    find->setStyleSheet(QStringLiteral("QLineEdit { background: white; border: 1px solid #8a9bb0; "
                                       "border-radius: 3px; padding: 0 3px; }"));
    find->setToolTip(QStringLiteral("Inserire il nick da trovare"));

    const auto button = [this](const layout::Rect& r, const char* tip, void (Main::*handler)(), const char* name) {
        auto* b = platform::click_area(this, r, QCursor(Qt::PointingHandCursor));
        b->setToolTip(QString::fromUtf8(tip));
        platform::on(b, &platform::ImageControl::clicked, this, name, handler);
        return b;
    };
    Image6 = button(layout::kSearch, "Search for nick, name or E-mail", &Main::Image6_Click, "Image6_Click");
    Image11 = button(layout::kSort, "Sort", &Main::Image11_Click, "Image11_Click");
    Image7 = button(layout::kDelete, "Delete nick", &Main::Image7_Click, "Image7_Click");

    menupop1 = new QMenu(QStringLiteral("pop1"), this);
    for (int16_t index = 0; index < 10; ++index) {
        const bool separator = index == 2 || index == 8;
        ord[index] = separator ? menupop1->addSeparator() : menupop1->addAction(QString::fromUtf8(kSortCaptions[index]));
        platform::on(ord[index], &QAction::triggered, this, "ord_Click", &Main::ord_Click, index);
    }
}

// Typing replaces the last search.
void Main::find_GotFocus()
{
    find->setSelection(0, static_cast<int>(find->text().size()));
}

void Main::find_KeyPress(int16_t& KeyAscii)
{
    if (KeyAscii == kEnter)
        Image6_Click();
}

// A prefix match on nick, then name, then e-mail; the first field that matches decides. A
// text that begins with a wildcard is looked for in the three fields by one read of the book.
// The text is a pattern: the user's *, ?, # and [...] keep their meaning, but a quote in it
// stays a character of the text. A find that fails counts as no match, so a failure never
// reports a contact that an earlier search found.
void Main::Image6_Click()
{
    std::string text;
    resume_next([&] { text = find->text().toStdString(); });
    if (text.empty()) {
        resume_next([&] { Suono("nontrovato.wav"); });
        resume_next([&] { find->setFocus(); });
        return;
    }
    bool found = false;
    resume_next([&] {
        std::vector<std::string> criteria;
        for (const char* field : {"nick", "nome", "email"})
            criteria.push_back(std::string(field) + " like " + platform::jet_quote(text + "*"));
        auto& records = Data1.recordset();
        records.FindFirstOf(criteria);
        found = !records.NoMatch();
    });
    if (found) {
        resume_next([&] { Suono("trovato.wav"); });
        resume_next([&] { TDBGrid1->setMarqueeStyle(3); });
        return;
    }
    resume_next([&] { Suono("nontrovato.wav"); });
}

void Main::Image11_Click()
{
    platform::services().popup_menu->popup(*menupop1);
}

void Main::ord_Click(int16_t Index)
{
    resume_next([&] {
        if (const char* source = record_source_of(Index))
            Data1.RecordSource = source;
    });
    resume_next([&] { Data1.Refresh(); });
    resume_next([&] { Suono("ordina.wav"); });
    resume_next([&] { TDBGrid1->setMarqueeStyle(3); });
}

// Only the row on screen can go: a stored row when one is current, the pending new row when
// an addition is under way (the grid discards it; nothing stored is touched), nothing from
// the empty add-new row, which hands the current row to the last contact instead.
void Main::Image7_Click()
{
    resume_next([&] { TDBGrid1->setMarqueeStyle(3); });
    int answer = platform::vbNo;
    resume_next([&] {
        answer = platform::MsgBox(lingua != 0 ? "Confermi la cancellazione del nick?"
                                              : "Do you confirm the cancellation of the nick?",
                                  platform::vbYesNo | platform::vbCritical | platform::vbDefaultButton2,
                                  platform::app_title());
    });
    if (answer != platform::vbYes)
        return;
    std::optional<int16_t> state;
    resume_next([&] { state = TDBGrid1->AddNewState(); });
    if (state == 0 || state == 2) {
        resume_next([&] { TDBGrid1->DeleteCurrentRow(); });
    } else if (state == 1) {
        resume_next([&] { Data1.Refresh(); });
        resume_next([&] {
            if (Data1.recordset().AbsolutePosition() != -1)
                Data1.recordset().MoveLast();
        });
    }
    resume_next([&] { Suono("cancella.wav"); });
}
