#include "ui/TaskDialogs.h"

#include <algorithm>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "driver/progress.h"
#include "params/conv.h"
#include "tasks/placement.h"
#include "tasks/statistics.h"
#include "ui/Keyboard.h"
#include "ui/MainWindow.h"
#include "ui/WorkDirHold.h"

namespace tps::ui {

namespace {

QString U(const std::string& s) {
  return QString::fromUtf8(s.c_str());
}
std::string S(const QString& q) {
  return q.toUtf8().toStdString();
}

QLineEdit* Edit(QWidget* parent, const char* name, const char* text) {
  auto* e = new QLineEdit(U(text), parent);
  e->setObjectName(name);
  AcceptDecimalComma(e);
  return e;
}

constexpr const char* kNone = "%%%";

// A loss energy in W·h as the window shows it: kW·h to three decimals.
QString Kwh(double wh) {
  return U(FloatToStr(RoundTo(wh / 1000, 3)) + " кВт·ч");
}

}  // namespace

StudyDialog::StudyDialog(MainWindow* main, const char* name, const char* caption)
    : QDialog(main), main_(main) {
  setObjectName(name);
  setWindowTitle(U(caption));
  setModal(true);
  bar_ = new QProgressBar(this);
  bar_->setObjectName("progress");
  bar_->setTextVisible(false);
  percent_ = new QLabel(U("0 %"), this);
  percent_->setObjectName("percent");
  start_ = new QPushButton(U("Старт"), this);
  start_->setObjectName("start");
  stop_ = new QPushButton(U("Стоп"), this);
  stop_->setObjectName("stop");
  pictures_ = new QCheckBox(U("Визуализация"), this);
  pictures_->setObjectName("pictures");
  connect(stop_, &QPushButton::clicked, this, &StudyDialog::StopClicked);
  connect(&timer_, &QTimer::timeout, this, &StudyDialog::Tick);
  KeepReadingTabOrder(this);
}

StudyDialog::~StudyDialog() {
  ctl_.Stop = true;
  if (thread_.joinable()) thread_.join();
}

void StudyDialog::Launch(std::function<void(AppState&, StudyControl&)> study, std::function<void()> done) {
  if (Running()) return;
  if (!main_->Guard([&] { main_->PrepareStudy(); })) return;
  AppState& st = main_->State();
  bool held = false;
  if (!main_->Guard([&] { held = HoldWorkDir(this, lock_, st.Work); }) || !held) return;
  st.ShowPictures = pictures_->isChecked();
  copy_ = std::make_unique<AppState>(st);
  host_.messages.clear();
  copy_->Host = &host_;
  ctl_.Stop = false;
  ctl_.Jobs = DefaultJobs();
  // "Визуализация": the trains of the run under way drawn in the main
  // window (the study then makes one run at a time).
  ctl_.Watch = nullptr;
  if (pictures_->isChecked())
    ctl_.Watch = [this](const AppState& run) {
      std::lock_guard<std::mutex> lock(viewLock_);
      if (!view_) view_ = std::make_unique<AppState>();
      view_->Params = run.Params;
      view_->SchemeVariant = run.SchemeVariant;
      view_->Scheme = run.Scheme;
      view_->RunMode = run.RunMode;
      view_->Trains = run.Trains;
      view_->StepCount = run.StepCount;
      view_->ModelTime = run.ModelTime;
      viewFresh_ = true;
    };
  done_ = 0;
  total_ = 0;
  framesShown_ = 0;
  mostTrains_ = 0;
  ctl_.Progress = [this](size_t d, size_t t) {
    total_ = t;
    done_ = d;
  };
  error_.clear();
  whenDone_ = std::move(done);
  finished_ = false;
  start_->setEnabled(false);
  thread_ = std::thread([this, study = std::move(study)] {
    try {
      study(*copy_, ctl_);
    } catch (const std::exception& e) {
      error_ = e.what();
    }
    finished_ = true;
  });
  timer_.start(100);
}

void StudyDialog::Tick() {
  ShowProgress(done_.load(), total_.load());
  std::unique_ptr<AppState> shown;
  {
    std::lock_guard<std::mutex> lock(viewLock_);
    if (viewFresh_) {
      shown = std::make_unique<AppState>(*view_);
      viewFresh_ = false;
    }
  }
  // The last picture of a study is shown too, even when the study ended
  // before the next tick: the final state replaces it right after.
  if (shown) {
    main_->ShowStudyRun(*shown);
    ++framesShown_;
    mostTrains_ = std::max(mostTrains_, shown->Trains.TrainCount1() + shown->Trains.TrainCount2());
  }
  if (!finished_.load()) return;
  timer_.stop();
  thread_.join();
  lock_.Release();
  // The state the study left comes back into the main window.
  AppState& st = main_->State();
  IHost* host = st.Host;
  const WorkDir work = st.Work;
  st = std::move(*copy_);
  copy_.reset();
  st.Host = host;
  st.Work = work;
  for (Changed c : {Changed::Trains, Changed::Fields, Changed::Labels, Changed::Picture, Changed::Controls,
                    Changed::Clock})
    st.Notify(c);
  for (const RecordedMessage& m : host_.messages)
    if (host) host->ShowMessage(m.kind, m.text, m.buttons);
  if (!error_.empty()) main_->ShowError(error_);
  start_->setEnabled(true);
  if (whenDone_) whenDone_();
  if (closeWhenDone_) {
    closeWhenDone_ = false;
    close();
  }
}

void StudyDialog::StopClicked() {
  ctl_.Stop = true;
  close();
}

void StudyDialog::closeEvent(QCloseEvent* e) {
  if (Running()) {
    // The runs under way end at their next step; the dialog closes then.
    ctl_.Stop = true;
    closeWhenDone_ = true;
    e->ignore();
    return;
  }
  AppState& st = main_->State();
  st.ShowPictures = true;
  RemoveAllTrains(st);
  st.StepCount = 0;
  st.ModelTime = 0;
  st.StopRequested = true;
  st.Notify(Changed::Trains);
  st.Notify(Changed::Picture);
  st.Notify(Changed::Clock);
  QDialog::closeEvent(e);
}

// ------------------------------------------------ Статистический анализ

StatisticsDialog::StatisticsDialog(MainWindow* main)
    : StudyDialog(main, "statisticsDialog", "Статистический анализ") {
  runs_ = Edit(this, "runs", "200");
  speed_ = new QLabel(U("Скорость"), this);
  speed_->setObjectName("speed");
  bar_->setRange(0, 10000);
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(U("Количество просчётов"), this), 0, 0);
  grid->addWidget(runs_, 0, 1);
  grid->addWidget(pictures_, 1, 0, 1, 2);
  grid->addWidget(bar_, 2, 0, 1, 2);
  grid->addWidget(percent_, 3, 0);
  grid->addWidget(speed_, 3, 1);
  grid->addWidget(start_, 4, 0);
  grid->addWidget(stop_, 4, 1);
  connect(start_, &QPushButton::clicked, this, &StatisticsDialog::StartClicked);
}

void StatisticsDialog::showEvent(QShowEvent* e) {
  bar_->setValue(0);
  percent_->setText(U("0 %"));
  QDialog::showEvent(e);
}

void StatisticsDialog::ShowProgress(size_t done, size_t total) {
  if (total == 0) total = runsTotal_;
  if (total == 0) return;
  // The realizations done and the steps of those under way.
  const size_t under = std::min<size_t>(Jobs(), total - std::min(done, total));
  const double part = std::max(shown_, StudyFraction(done, total, StepsUnderWay(), stepsPerRun_, under));
  shown_ = part;
  bar_->setValue(static_cast<int>(Round(part * 10000)));
  percent_->setText(U(PercentText(part, 3)));
  // The speed over the last half second or more: steps solved a second.
  const double seconds = speedClock_.elapsed() / 1000.0;
  if (seconds >= 0.5) {
    const uint64_t steps = StepsSolved();
    speed_->setText(U(SpeedText(static_cast<double>(steps - speedSteps_) / seconds)));
    speedSteps_ = steps;
    speedClock_.start();
  }
}

void StatisticsDialog::StartClicked() {
  const std::string runs = S(runs_->text());
  int32_t n = 0;
  runsTotal_ = TryStrToInt(runs, n) && n > 0 ? static_cast<size_t>(n) : 0;
  shown_ = 0;
  speedSteps_ = StepsSolved();
  speedClock_.start();
  auto result = std::make_shared<StatisticsResult>();
  Launch([runs, result](AppState& st, StudyControl& ctl) { *result = RunStatistics(st, runs, ctl); },
         [this, result] {
           if (result->Outcome != RunOutcome::Finished) return;
           // A realization cut short by "Стоп" covers only part of the period:
           // it would bias the statistics, so its line is not written.
           percent_->setText(U(result->CutShort ? "Данные сохранены успешно; реализация, прерванная остановом, "
                                                 "не записана"
                                               : "Данные сохранены успешно"));
         });
  // The steps of a realization, as the window's period and step make them.
  stepsPerRun_ = static_cast<double>(PlannedProbSteps(main_->State()));
}

// ------------------------------------------------ placement of the posts

PlacementDialog::PlacementDialog(MainWindow* main, int posts)
    : StudyDialog(main, posts == 1 ? "pskDialog" : "ppsDialog",
                  posts == 1 ? "Задача оптимальной установки ПСК" : "Оптимизируем установку ПСК и ППС"),
      posts_(posts) {
  from_ = Edit(this, "from", "1");
  to_ = Edit(this, "to", "");
  step_ = Edit(this, "step", "1");
  pictures_->setChecked(true);
  bar_->setRange(0, 100);
  auto* grid = new QGridLayout(this);
  note_ = new QLabel(U(posts == 1 ? "Автопоиск минимальных потерь энергии путем изменения места положения ПСК. "
                                   : "Определяем места соединений двух подвесок по критерию минимума "
                                     "потерь энергии"),
                     this);
  note_->setObjectName("note");
  note_->setWordWrap(true);
  // However narrow the dialog is made, the explanation keeps the lines it
  // needs: it is never narrower than this, nor lower than its text there.
  constexpr int kNoteWidth = 300;
  note_->setMinimumWidth(kNoteWidth);
  note_->setMinimumHeight(note_->heightForWidth(kNoteWidth));
  grid->addWidget(note_, 0, 0, 1, 2);
  int row = 1;
  for (auto [label, edit] : {std::pair{"От", from_}, std::pair{"До", to_}, std::pair{"Шаг", step_}}) {
    grid->addWidget(new QLabel(U(label), this), row, 0);
    grid->addWidget(edit, row++, 1);
  }
  grid->addWidget(pictures_, row++, 0, 1, 2);
  const char* names[4] = {"Минимальные потери энергии", "Оптимальное место для ПСК", "", ""};
  if (posts == 3) {
    names[0] = "ППС 1";
    names[1] = "ПСК";
    names[2] = "ППС 2";
    names[3] = "Минимум потерь энергии";
  }
  for (int k = 0; k < (posts == 1 ? 2 : 4); ++k) {
    results_[k] = Edit(this, ("result" + std::to_string(k)).c_str(), kNone);
    results_[k]->setReadOnly(true);
    // Room for a place or a loss of 15 significant digits.
    results_[k]->setMinimumWidth(results_[k]->fontMetrics().horizontalAdvance(QStringLiteral("-8.29999999999999e+99")) + 12);
    grid->addWidget(new QLabel(U(names[k]), this), row, 0);
    grid->addWidget(results_[k], row++, 1);
  }
  grid->addWidget(bar_, row, 0);
  grid->addWidget(percent_, row++, 1);
  grid->addWidget(start_, row, 0);
  grid->addWidget(stop_, row, 1);
  // The bar keeps its row while hidden: it never pushes the rows above
  // it over the explanation.
  for (QWidget* w : {static_cast<QWidget*>(bar_), static_cast<QWidget*>(percent_)}) {
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
  }
  grid->setSizeConstraint(QLayout::SetMinimumSize);
  bar_->hide();
  percent_->hide();
  connect(start_, &QPushButton::clicked, this, &PlacementDialog::StartClicked);
}

void PlacementDialog::showEvent(QShowEvent* e) {
  from_->setText("1");
  double zone = 0;
  main_->FormToParams();
  const std::string text = main_->State().Params.ZoneLength.Get();
  to_->setText(U(TryStrToFloat(text, zone) ? FloatToStr(zone - 1) : text));
  if (posts_ == 3) step_->setText("1");
  start_->setEnabled(true);
  for (QLineEdit* r : results_)
    if (r) r->setText(kNone);
  main_->State().StopRequested = false;
  QDialog::showEvent(e);
}

void PlacementDialog::ShowProgress(size_t done, size_t total) {
  const int value = total == 0 ? 0 : static_cast<int>(Round(100.0 * static_cast<double>(done) / total));
  bar_->setValue(value);
  percent_->setText(U(std::to_string(value) + " %"));
}

void PlacementDialog::StartClicked() {
  const TaskInput in{S(from_->text()), S(to_->text()), S(step_->text())};
  const std::string file = main_->SelectedSchedule();
  bar_->setValue(0);
  percent_->setText(U("0 %"));
  bar_->show();
  percent_->show();
  if (posts_ == 1) {
    auto r = std::make_shared<PskSweepResult>();
    Launch([in, file, r](AppState& st, StudyControl& ctl) { *r = SweepPsk(st, file, in, ctl); },
           [this, r] {
             bar_->hide();
             percent_->hide();
             if (r->Outcome != RunOutcome::Finished || !r->HasBest) return;
             results_[0]->setText(Kwh(r->Losses[r->Best]));
             results_[1]->setText(U(FloatToStr(r->Positions[r->Best])));
             for (QLineEdit* e : results_)
               if (e) e->setCursorPosition(0);
           });
  } else {
    auto r = std::make_shared<PostSearchResult>();
    Launch([in, file, r](AppState& st, StudyControl& ctl) { *r = SearchPskPps(st, file, in, ctl); },
           [this, r] {
             bar_->hide();
             percent_->hide();
             if (r->Outcome != RunOutcome::Finished || !r->HasBest) return;
             const PostRun& b = r->Runs[r->Best];
             int k = 0;
             for (double v : {b.Pps1, b.Psk, b.Pps2}) {
               results_[k]->setText(U(FloatToStr(v)));
               results_[k++]->setCursorPosition(0);
             }
             results_[3]->setText(Kwh(b.Loss));
             results_[3]->setCursorPosition(0);
           });
  }
}

}  // namespace tps::ui
