#pragma once
// The main window. One class; its members are defined in one source file per subject, in
// the folder of the subsystem that owns them (contacts/, desktop/, interop/, banner/).
#include "platform/controls.h"
#include "platform/data_control.h"
#include "platform/grid_control.h"
#include "platform/timer.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QWidget>
#include <array>
#include <memory>
#include <cstdint>
#include <optional>
#include <string>

class CNetGet;
class Foto;
class clsSysTray;

class Main : public QWidget {
    Q_OBJECT
public:
    explicit Main(QWidget* parent = nullptr);
    ~Main() override;

    // ---- life cycle (contacts/main_window.cpp)
    void Form_Load();
    void Form_Activate();
    void Form_Resize();
    bool Form_QueryUnload();            // returns the cancel flag
    void Form_Terminate();
    void Image5_Click();
    void chiudi_Click();
    bool uscita_confermata();           // false when the user stays for an edit not written
    void termina_sessione();            // the session or another process ends the program
    double Width() const;               // outer width in twips, frame included
    double Height() const;              // outer height in twips, frame and caption included
    bool loaded() const { return loaded_; }

    // ---- contact database and grid (contacts/grid_rules.cpp)
    void griglia_controlla_nick(int16_t colonna, int16_t tasto, int16_t& annulla);
    void griglia_controlla_doppione(int16_t& annulla);
    void griglia_modo_modifica();
    void griglia_modo_riga();
    void griglia_errore(int16_t errore, int16_t& risposta);
    void griglia_cambio_riga();
    void Data1_Error(int16_t errore, int16_t& risposta);
    // The book at start-up: opened, made anew from the shipped schema when missing, its list
    // of fields checked. 0, or the error number that makes the book unusable.
    int apre_rubrica();
    void rubrica_inutilizzabile(int errore);   // tells the user why; the program then ends
    // Before a row is written: a new row left without a nick is dropped, a stored row whose
    // nick was erased is refused. True when the nick was empty.
    bool griglia_nick_vuoto(int16_t& annulla);
    void griglia_annulla_riga();               // Esc let go of the row's pending edit
    // Why the book failed, in the interface language; "" for errors that are not the book's.
    std::string motivo_errore(int errore, bool apertura) const;
    void segnala_errore_libro();

    // ---- contact card (contacts/card.cpp)
    void legge_dati();
    void azzera_dati();
    void manca_nick();
    void Text1_Change();
    void Text1_GotFocus();
    void Text2_Change();
    void Text2_GotFocus();
    void Text2_Click();
    void Text2_DblClick();

    // ---- ratings and score (contacts/ratings.cpp)
    void punti();
    void stellag_Click(int riga, int16_t Index);   // riga 1..5: stellag1_Click .. stellag5_Click
    void stellar_Click(int riga, int16_t Index);   // riga 1..5: stellar1_Click .. stellar5_Click
    void Image8_Click();
    void Image9_Click();
    void Image14_Click();
    // The grid column of each rating row, riga 1..5 at index riga - 1.
    static constexpr std::array<const char*, 5> colonne_voti{"simpatia", "bellezza", "intelligenza", "affinita",
                                                             "cultura"};

    // ---- search, sort and delete (contacts/search_sort_delete.cpp)
    void find_GotFocus();
    void find_KeyPress(int16_t& KeyAscii);
    void Image6_Click();
    void Image11_Click();
    void ord_Click(int16_t Index);
    void Image7_Click();

    // ---- photo slots and photo panel (contacts/photo_panel.cpp)
    void inizializza_puntatore_foto(int16_t& i);
    void anonimo();
    void img_view();
    void ifoto_Click(int16_t Index);
    void Image2_Click();
    void ianonimo_Click();
    void Image15_DblClick();
    void Image3_Click();
    void Image1_Click();
    // The fill mark's width from the grid's columns "foto1" to "foto5": 540 + 190 twips per
    // slot up to the highest one in use (also for the card's fill).
    void larghezza_numfoto();
    void mostra_collegamento(const std::string& link);   // the slot's picture, or the placeholder
    // The size (twips, unrounded) that a picture of natural size w x h takes in the frame.
    static std::pair<float, float> misura_in_cornice(float w, float h);

    // ---- Windows folder and INI routines (desktop/folders_ini.cpp)
    std::string GetWindowsDir();
    std::string GetWindowsSysDir();
    void AddDirSep(std::string& strPathName);
    std::string StripTerminator(std::string strString);
    std::string ReadIniFile(std::string strIniFile, std::string strSection, std::string strKey);

    // ---- sounds (desktop/sounds.cpp)
    void Suono(const std::string& file);
    void suono_off_Click();
    void suono_on_Click();

    // ---- contact imports (interop/imports.cpp)
    void Image12_Click();
    void ImpC6_Click();
    void ImpOut_Click();

    // ---- interface language (desktop/language.cpp)
    void applica_lingua();
    void Salvalingua();
    void imposta_avvio_automatico();
    void mnuLanEnglish_Click();
    void mnuLanItalian_Click();

    // ---- tray icon and options menu (desktop/tray_icon.cpp)
    void PicTray_MouseMove(int Button, int Shift, float X, float Y);
    void ImgSet_Click();
    // While the window is hidden, a tray that went away must not leave it out of reach.
    void sorveglia_tray();

    // ---- start with the desktop session (desktop/startup_entry.cpp)
    void avvioautom_Click();

    // ---- web pages, help and about box (desktop/web_help.cpp)
    void Image16_Click();
    void ImgHelp_Click();
    void Image4_Click();

    // ---- saved conversations (interop/saved_conversations.cpp)
    void Image13_Click();

    // ---- data controls and the grid
    platform::DataControl Data1;
    platform::DataControl Data2;
    platform::DataGrid* TDBGrid1 = nullptr;

    // ---- controls
    platform::ImageControl* sfondo = nullptr;               // the background artwork
    platform::ImageControl* sfondo_sup_sin = nullptr;
    platform::ImageControl* sfondo_sup_des = nullptr;
    platform::ImageControl* sfondo_inf_sin = nullptr;
    platform::ImageControl* sfondo_inf_des = nullptr;
    QLabel* lnick = nullptr;
    QLabel* Lnick2 = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QWidget* Picture1 = nullptr;                            // the ratings panel
    std::array<std::array<platform::ImageControl*, 5>, 5> stellag{};   // [riga-1][Index]
    std::array<std::array<platform::ImageControl*, 5>, 5> stellar{};
    std::array<QLabel*, 5> Label1{};
    QLabel* tpunti = nullptr;
    QLineEdit* find = nullptr;
    QWidget* Picture2 = nullptr;                            // the photo strip
    platform::ImageControl* numfoto = nullptr;
    std::array<platform::ImageControl*, 6> ifoto{};         // index 1..5
    platform::ImageControl* ifotosel = nullptr;
    platform::ImageControl* Image15 = nullptr;
    platform::ImageControl* Image1 = nullptr;
    platform::ImageControl* ianonimo = nullptr;
    platform::ImageControl* Image2 = nullptr;
    platform::ImageControl* Image3 = nullptr;
    platform::ImageControl* Image4 = nullptr;
    platform::ImageControl* Image5 = nullptr;
    platform::ImageControl* Image6 = nullptr;
    platform::ImageControl* Image7 = nullptr;
    platform::ImageControl* Image8 = nullptr;
    platform::ImageControl* Image9 = nullptr;
    platform::ImageControl* Image10 = nullptr;
    platform::ImageControl* Image11 = nullptr;
    platform::ImageControl* Image12 = nullptr;
    platform::ImageControl* Image13 = nullptr;
    platform::ImageControl* Image14 = nullptr;
    platform::ImageControl* Image16 = nullptr;
    platform::ImageControl* ImgHelp = nullptr;
    platform::ImageControl* ImgSet = nullptr;
    platform::ImageControl* suono_on = nullptr;
    platform::ImageControl* suono_off = nullptr;
    QMenu* menupop1 = nullptr;                              // sort menu
    std::array<QAction*, 10> ord{};
    QMenu* menupop3 = nullptr;                              // options menu
    QAction* avvioautom = nullptr;
    QMenu* mnuLan = nullptr;
    QAction* mnuLanEnglish = nullptr;
    QAction* mnuLanItalian = nullptr;
    QAction* divpop3 = nullptr;
    QAction* chiudi = nullptr;
    QMenu* menupop4 = nullptr;                              // import menu
    QAction* ImpOut = nullptr;
    QAction* mnuimpdiv = nullptr;
    QAction* ImpC6 = nullptr;
    platform::PictureBox* PicTray = nullptr;                // receives the tray icon's messages
    platform::TimerControl* TimerTray = nullptr;            // runs sorveglia_tray
    QLabel* attendere = nullptr;                            // shown while the banner starts
    Foto* foto_form = nullptr;                              // the viewer, created on first use

    // ---- state
    std::optional<long long> ultimo_bookmark;
    bool era_su_nuova_riga = false;
    bool importazione_in_corso = false;
    int16_t ultimo_errore = 0;          // the book's last failure
    int16_t errore_da_segnalare = 0;    // a failure whose message is on its way
    int16_t errore_segnalato = 0;       // shown already; a row written since clears it
    int16_t puntatore_foto = 1;
    std::string percorso_foto;
    std::string path_foto;
    std::string path_discussioni;
    std::string path_c6;
    bool attivato = false;

    // ---- program-wide values
    int16_t lingua = 0;
    std::string sito_primario;
    std::string sito_mirror;
    std::string sito_home;
    std::string sito_base;     // chosen by the banner; "" until then
    std::string dir_windows;
    std::string dir_system;
    std::unique_ptr<clsSysTray> systray;   // created on first use
    std::unique_ptr<CNetGet> netget;       // the page fetcher, created on first use

    // ---- banner settings, refresh and the links menu (banner/banner_settings.cpp)
    void inizializza_banner();
    void ScaricaFile(const std::string& strURL, const std::string& Destinazione);
    void Timer3_Timer();
    void riempi_menu_link();   // at the first activation, from [banner] of "set.txt"
    void Image10_Click();
    void web_Click(int16_t Index);
    QMenu* menupop2 = nullptr;                              // links menu
    std::array<QAction*, 10> web{};
    std::array<std::string, 10> indirizzi_web;
    platform::TimerControl* Timer3 = nullptr;
    int32_t conta_tick = 0;
    bool sito_raggiungibile = false;

    // ---- banner display (banner/banner_display.cpp)
    void Timer1_Timer();
    void Timer2_Timer();
    void LblBanner_Click(int16_t Index);
    void ImBanner_Click();
    QFrame* PicBanner = nullptr;
    QPlainTextEdit* TxtBanner = nullptr;
    std::array<platform::LabelControl*, 4> LblBanner{};    // index 1..3
    platform::ImageControl* ImBanner = nullptr;
    platform::TimerControl* Timer1 = nullptr;               // message tick
    platform::TimerControl* Timer2 = nullptr;               // scroll tick
    int16_t num_messaggio = 0;
    int32_t passo_scorrimento = 0;
    int32_t pos_scorrimento = 0;
    int32_t larghezza_testo = 0;

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool event(QEvent* e) override;

private:
    void crea_banner();
    void crea_menu_link();
    void scarica_immagini(const std::string& locale);
    void colore_sfondo_banner(int indice);
    void puntatore_banner(QWidget* controllo, const std::string& link);
    void colori_banner(const std::string& testo_colore, const std::string& colore_sfondo);
    void dimensione_banner(double punti);
    void disposizione_banner();
    void immagine_banner(const std::string& immagine);
    bool banner_in_corso = false;   // one banner start-up at a time
    // Each subject builds its own controls; the constructor calls them in this order.
    void crea_sfondo();
    void crea_griglia();
    void descrivi_rubrica();
    void crea_scheda();
    void crea_pannello_voti();
    void crea_ricerca();
    void crea_pannello_foto();
    void crea_suoni();
    void crea_menu();
    void crea_menupop3();
    void collega_importazioni();
    void collega_griglia();
    std::string program_db() const;
    bool tray_shown() const;
    void importa_c6();
    void importa_outlook();

    bool loaded_ = false;
};

