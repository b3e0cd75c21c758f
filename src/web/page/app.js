'use strict';
// The front desk's page: the players and scenes of the installation, live over a WebSocket.
// Every button asks the service through its HTTP API, with the token the page was opened with.
(() => {
  const token = new URLSearchParams(location.search).get('token') || '';
  const french = (navigator.language || '').toLowerCase().startsWith('fr');
  const texts = french ? {
    connecting: 'Connexion…', scenes: 'Scènes', players: 'Lecteurs', results: 'Derniers résultats',
    stopAll: 'Tout arrêter', stopAllAgain: 'Appuyer encore pour tout arrêter',
    play: 'Lire', stop: 'Arrêter', previous: 'Précédent', next: 'Suivant',
    folder: 'Dossier', launch: 'Lancer', volume: 'Volume', scene: 'Scène',
    open: 'Ligne ouverte', lost: 'Ligne perdue', closed: 'Ligne fermée',
    waiting: 'En attente du port', gone: 'Service perdu ; nouvel essai…', last: 'Dernier envoi : ',
    launchOn: (name) => `Lancer le dossier sur ${name}`, volumeOf: (name) => `Volume de ${name}`,
    folderOf: (name) => `Dossier pour ${name}`, action: (verb, name) => `${verb} ${name}`,
    schedule: 'Programme du jour', hold: 'Suspendre pour aujourd’hui', resume: 'Reprendre',
    skip: 'Sauter le prochain repère', notSent: 'jamais envoyé', nextCue: (cue, when) => `Prochain : ${cue}, ${when}`,
    skipped: 'sauté', closedToday: 'Fermé aujourd’hui', noCue: 'Aucun prochain', held: 'Suspendu pour aujourd’hui',
    leftOut: (n) => `${n} ${n > 1 ? 'lignes du programme sont écartées' : 'ligne du programme est écartée'} : voir le journal du service`,
  } : {
    connecting: 'Connecting…', scenes: 'Scenes', players: 'Players', results: 'Last results',
    stopAll: 'Stop All', stopAllAgain: 'Press again to stop all',
    play: 'Play', stop: 'Stop', previous: 'Previous', next: 'Next',
    folder: 'Folder', launch: 'Launch', volume: 'Volume', scene: 'Scene',
    open: 'Line open', lost: 'Line lost', closed: 'Line closed',
    waiting: 'Waiting for the port', gone: 'Lost the service; trying again…', last: 'Last sent: ',
    launchOn: (name) => `Launch folder on ${name}`, volumeOf: (name) => `Volume of ${name}`,
    folderOf: (name) => `Folder for ${name}`, action: (verb, name) => `${verb} ${name}`,
    schedule: 'Today\'s schedule', hold: 'Hold for today', resume: 'Resume',
    skip: 'Skip the next cue', notSent: 'never sent', nextCue: (cue, when) => `Next: ${cue}, ${when}`,
    skipped: 'skipped', closedToday: 'Closed today', noCue: 'No cue to come', held: 'Held for today',
    leftOut: (n) => `${n} ${n > 1 ? 'lines' : 'line'} of the schedule left out: see the service's log`,
  };
  document.documentElement.lang = french ? 'fr' : 'en';
  for (const element of document.querySelectorAll('[data-text]'))
    element.textContent = texts[element.dataset.text];

  const line = document.getElementById('line');
  const results = document.getElementById('results');
  const say = (state) => {
    line.textContent = texts[state] || state;
    line.className = state;
  };

  const element = (tag, properties, ...children) => {
    const made = Object.assign(document.createElement(tag), properties);
    made.append(...children);
    return made;
  };

  const ask = async (words) => {
    try {
      const answer = await fetch('/api/v1/request', {
        method: 'POST',
        headers: {'Authorization': `Bearer ${token}`, 'Content-Type': 'text/plain'},
        body: words,
      });
      // The events say every result; without them, the answer does.
      const result = await answer.json();
      if (!live)
        showResult(result, words);
    } catch (error) {
      say('gone');
    }
  };

  // Who, what, and what became of it: "courtyard: play: not sent: connection lost", in the list
  // and under the player's own buttons.
  const showResult = (result, words) => {
    const outcome = result.outcome || 'refused';
    const reason = result.reason || '';
    const said = `${result.command || words}: ` +
                 (reason.startsWith(outcome) ? reason : outcome + (reason ? ` (${reason})` : ''));
    const card = cards.get(result.player);
    const text = (card ? `${card.name}: ` : '') + said +
                 (result.frame ? ` ${result.frame}` : '');
    const className = outcome.replace(' ', '-');
    const item = element('li', {className}, text);
    if (card)
      Object.assign(card.said, {className: `said ${className}`, textContent: said});
    results.prepend(item);
    while (results.children.length > 10)
      results.lastElementChild.remove();
  };

  // Built once per set of players, so that the focus stays where it is as the state changes.
  let shown = '';
  const cards = new Map();
  let stopAllArmed = null;
  const stopAll = document.getElementById('stop-all');
  stopAll.addEventListener('click', () => {
    if (stopAllArmed) {
      clearTimeout(stopAllArmed);
      stopAllArmed = null;
      stopAll.classList.remove('armed');
      stopAll.textContent = texts.stopAll;
      ask('all stop');
      return;
    }
    stopAll.classList.add('armed');
    stopAll.textContent = texts.stopAllAgain;
    stopAllArmed = setTimeout(() => {
      stopAllArmed = null;
      stopAll.classList.remove('armed');
      stopAll.textContent = texts.stopAll;
    }, 4000);
  });

  // The schedule: today's cues, those behind us marked; held or resumed, the next one skipped.
  let held = false;
  const steer = async (word) => {
    try {
      await fetch('/api/v1/schedule', {
        method: 'POST',
        headers: {'Authorization': `Bearer ${token}`, 'Content-Type': 'text/plain'},
        body: word,
      });
    } catch (error) {
      say('gone');
    }
  };
  const hold = document.getElementById('schedule-hold');
  // Resume undoes the day's hold and every skip.
  let undo = false;
  hold.addEventListener('click', () => steer(undo ? 'resume' : 'hold'));
  document.getElementById('schedule-skip').addEventListener('click', () => steer('skip'));
  const renderSchedule = (schedule) => {
    document.getElementById('schedule-section').hidden = !schedule;
    if (!schedule)
      return;
    held = schedule.held;
    const fault = document.getElementById('schedule-fault');
    fault.hidden = !schedule.leftOut;
    fault.textContent = schedule.leftOut ? texts.leftOut(schedule.leftOut) : '';
    undo = held || schedule.skipping > 0;
    hold.textContent = undo ? texts.resume : texts.hold;
    const next = schedule.next;
    document.getElementById('schedule-next').textContent =
        (held ? texts.held + '. ' : '') + (schedule.closedToday ? texts.closedToday + '. ' : '') + (next ? texts.nextCue(next.cue, next.label) : texts.noCue);
    document.getElementById('schedule-today').replaceChildren(...schedule.today.map((cue) =>
        element('li', {className: cue.past ? 'past' : cue.skipped ? 'skipped' : ''},
                `${cue.label.slice(4)} ${cue.cue}${cue.skipped ? ` (${texts.skipped})` : ''}`)));
  };

  const render = (state) => {
    say(state.line);
    renderSchedule(state.schedule);
    const key = JSON.stringify([state.players.map((p) => [p.id, p.name]), state.scenes,
                                state.folders, state.volumeMinimum]);
    if (key !== shown) {
      shown = key;
      const scenes = document.getElementById('scenes');
      scenes.replaceChildren(...state.scenes.map((name) => {
        const button = element('button', {type: 'button', textContent: name});
        button.setAttribute('aria-label', `${texts.scene} ${name}`);
        button.addEventListener('click', () => ask(`scene ${name}`));
        return button;
      }));
      const players = document.getElementById('players');
      cards.clear();
      players.replaceChildren(...state.players.map((player) => {
        const name = player.name || String(player.id);
        const buttons = element('div', {className: 'row'});
        for (const [verb, word] of [['previous', 'previous'], ['play', 'play'],
                                     ['stop', 'stop'], ['next', 'next']]) {
          const button = element('button', {type: 'button', textContent: texts[verb]});
          button.setAttribute('aria-label', texts.action(texts[verb], name));
          button.addEventListener('click', () => ask(`${player.id} ${word}`));
          buttons.append(button);
        }
        const folder = element('input', {type: 'number', min: 0, max: state.folders - 1,
                                         value: 0, inputMode: 'numeric'});
        folder.setAttribute('aria-label', texts.folderOf(name));
        const launch = element('button', {type: 'button', textContent: texts.launch});
        launch.setAttribute('aria-label', texts.launchOn(name));
        launch.addEventListener('click', () => ask(`${player.id} folder ${folder.value}`));
        const volume = element('input', {type: 'range', min: state.volumeMinimum, max: 0,
                                         step: 1, value: player.level ?? state.volumeMinimum});
        volume.setAttribute('aria-label', texts.volumeOf(name));
        // The level as sent, or said never sent, rather than a level the player never had.
        const level = element('output', {className: 'level'});
        const readout = (value) => {
          level.textContent = value === undefined || value === null ? texts.notSent : `${value} dB`;
        };
        readout(player.level);
        volume.addEventListener('input', () => readout(volume.value));
        volume.addEventListener('change', () => ask(`${player.id} volume ${volume.value}`));
        const last = element('p', {className: 'last'});
        const said = element('p', {className: 'said', role: 'status'});
        cards.set(player.id, {last, volume, readout, said, name});
        return element('article', {className: 'player'},
                       element('h3', {}, player.name ? `${player.name} (${player.id})` : name),
                       buttons,
                       element('label', {}, texts.folder,
                               element('span', {className: 'folder'}, folder, launch)),
                       element('label', {}, texts.volume, volume, level), last, said);
      }));
    }
    for (const player of state.players) {
      const card = cards.get(player.id);
      if (!card)
        continue;
      card.last.textContent = player.command ? texts.last + player.command : '';
      if (player.level !== undefined && document.activeElement !== card.volume) {
        card.volume.value = player.level;
        card.readout(player.level);
      }
    }
  };

  // Live: the state and every result; when the service is gone, said, and tried again.
  let wait = 1000;
  let live = false;
  const listen = () => {
    const scheme = location.protocol === 'https:' ? 'wss' : 'ws';
    const socket = new WebSocket(
        `${scheme}://${location.host}/api/v1/events?token=${encodeURIComponent(token)}`);
    socket.addEventListener('open', () => {
      wait = 1000;
      live = true;
    });
    socket.addEventListener('message', (event) => {
      const message = JSON.parse(event.data);
      if (message.type === 'state')
        render(message);
      else if (message.type === 'result')
        showResult(message, message.command || '');
    });
    socket.addEventListener('close', () => {
      live = false;
      say('gone');
      setTimeout(listen, wait);
      wait = Math.min(wait * 2, 10000);
    });
  };
  listen();
})();
