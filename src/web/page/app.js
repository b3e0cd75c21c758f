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
    building: 'Le bâtiment', stopBuilding: 'Arrêter tout le bâtiment',
    stopBuildingAgain: 'Appuyer encore pour arrêter tout le bâtiment', online: 'en ligne',
    offline: 'hors ligne', noBroker: 'Courtier MQTT injoignable ; nouvel essai…',
    rooms: (online, all) => `${online} salle${online > 1 ? 's' : ''} en ligne sur ${all}`,
    playersOf: (n) => `${n} lecteur${n > 1 ? 's' : ''}`,
    lastAt: (what, when) => `Dernier : ${what}, à ${when}`,
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
    building: 'The building', stopBuilding: 'Stop the whole building',
    stopBuildingAgain: 'Press again to stop the whole building', online: 'online',
    offline: 'offline', noBroker: 'The broker cannot be reached; trying again…',
    rooms: (online, all) => `${online} of ${all} ${all > 1 ? 'rooms' : 'room'} online`,
    playersOf: (n) => `${n} ${n > 1 ? 'players' : 'player'}`,
    lastAt: (what, when) => `Last: ${what}, at ${when}`,
  };
  // The service's own words (commands, outcomes, reasons), said in the page's language.
  const frenchWords = {
    'stop all': 'tout arrêter', 'all stop': 'tout arrêter', 'not sent': 'non envoyé',
    'nothing to do': 'rien à faire', 'sent': 'envoyé', 'refused': 'refusé', 'started': 'lancée',
    'play': 'lecture', 'stop': 'arrêt', 'next': 'suivant', 'previous': 'précédent',
    'folder': 'dossier', 'mute': 'muet', 'scene': 'scène', 'is offline': 'est hors ligne',
    'no answer from': 'pas de réponse de', 'busy': 'occupé', 'over budget': 'au-delà du budget',
    'connection lost': 'connexion perdue', 'the port is not open': 'le port n’est pas ouvert',
    'the broker is not joined': 'le courtier MQTT n’est pas joint',
    'maybe sent': 'peut-être envoyé',
    'the broker was lost before an answer': 'le courtier MQTT a été perdu avant une réponse',
    'too late': 'trop tard', 'held for today': 'suspendu pour aujourd’hui', 'skipped': 'sauté',
  };
  const wordsPattern = new RegExp(`\\b(${Object.keys(frenchWords)
      .sort((a, b) => b.length - a.length).join('|')})\\b`, 'g');
  const inWords = (text) => french ? text.replace(wordsPattern, (word) => frenchWords[word]) : text;
  // A cue's day, as the service writes it: "Wed 18:00".
  const frenchDays = {Mon: 'lun.', Tue: 'mar.', Wed: 'mer.', Thu: 'jeu.', Fri: 'ven.', Sat: 'sam.',
                      Sun: 'dim.'};
  const inDays = (label) => french ?
      label.replace(/\b(Mon|Tue|Wed|Thu|Fri|Sat|Sun)\b/g, (day) => frenchDays[day]) : label;
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
    const said = inWords(`${result.command || words}: ` +
                 (reason.startsWith(outcome) ? reason : outcome + (reason ? ` (${reason})` : '')));
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
  // A button that acts on the second press within a few seconds, as Stop All does.
  const twice = (button, again, act) => {
    let armed = null;
    const calm = () => {
      clearTimeout(armed);
      armed = null;
      button.classList.remove('armed');
      button.textContent = texts[button.dataset.text];
    };
    button.addEventListener('click', () => {
      if (armed) {
        calm();
        act();
        return;
      }
      button.classList.add('armed');
      button.textContent = again;
      armed = setTimeout(calm, 4000);
    });
  };
  twice(document.getElementById('stop-all'), texts.stopAllAgain, () => ask('all stop'));

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
        (held ? texts.held + '. ' : '') + (schedule.closedToday ? texts.closedToday + '. ' : '') + (next ? texts.nextCue(inWords(next.cue), inDays(next.label)) : texts.noCue);
    document.getElementById('schedule-today').replaceChildren(...schedule.today.map((cue) =>
        element('li', {className: cue.past ? 'past' : cue.skipped ? 'skipped' : ''},
                `${cue.label.slice(4)} ${inWords(cue.cue)}${cue.skipped ? ` (${texts.skipped})` : ''}`)));
  };

  const render = (state) => {
    renderVenue(state.venue);
    // The front desk's PC: the building, and no room of its own.
    const ownRoom = !state.venue || state.players.length > 0 || state.scenes.length > 0;
    document.getElementById('own-room').hidden = !ownRoom;
    if (!ownRoom) {
      const venue = state.venue;
      const online = venue.rooms.filter((room) => room.online).length;
      say(venue.joined ? texts.rooms(online, venue.rooms.length) : 'noBroker');
      line.className = venue.joined && online === venue.rooms.length ? 'open' : 'lost';
      return;
    }
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
      card.last.textContent = player.command ? texts.last + inWords(player.command) : '';
      if (player.level !== undefined && document.activeElement !== card.volume) {
        card.volume.value = player.level;
        card.readout(player.level);
      }
    }
  };

  // Every room of the building, each under its line's name, in the venue's order; a press for a
  // room goes as that room's command, and its own answer is shown on its card.
  const roomCards = new Map();
  let roomsShown = '';
  // What each room's card last said, and which folds are open: kept as the cards are drawn anew,
  // as they are when the broker comes back, which is when a result matters most.
  const roomsSaid = new Map();
  const roomsOpen = new Set();
  const askRoom = async (room, words) => {
    let result;
    try {
      const answer = await fetch(`/api/v1/rooms/${encodeURIComponent(room)}/request`, {
        method: 'POST',
        headers: {'Authorization': `Bearer ${token}`, 'Content-Type': 'text/plain'},
        body: words,
      });
      result = await answer.json();
    } catch (error) {
      say('gone');
      return;
    }
    if (room === 'all')
      return showBuilding(result);
    roomsSaid.set(room, {className: `said ${(result.outcome || '').replace(' ', '-')}`,
                         textContent: roomSaid(room, result, words)});
    const card = roomCards.get(room);
    if (card)
      Object.assign(card.said, roomsSaid.get(room));
  };
  // "courtyard: play, sent"; "no answer from courtyard: not sent"; "courtyard is offline".
  const roomSaid = (room, result, words) => {
    const reason = result.reason || '';
    if (reason === `${room} is offline`)
      return `${room} ${inWords('is offline')}`;
    if (reason === `no answer from ${room}`)
      return inWords(`no answer from ${room}`) + (french ? ' : ' : ': ') + inWords(result.outcome);
    return `${room}: ` + inWords(`${result.command || words}, ${result.outcome}` +
           (reason ? ` (${reason.replace(/^not sent: /, '')})` : ''));
  };
  // The last Stop All of the building, or scene of the building: when and how it went (a scene
  // started; one that reached no room, and why), then room by room.
  const showBuilding = (last) => {
    const rooms = last ? last.rooms || last.steps || [] : [];
    let what = last ? inWords(last.command || 'stop all') : '';
    if (last && last.outcome)
      what += ', ' + inWords(last.outcome) + (last.reason ? ` (${inWords(last.reason)})` : '');
    document.getElementById('building-last').textContent =
        last && last.time ? texts.lastAt(what, clockOf(new Date(last.time))) : '';
    document.getElementById('building-results').replaceChildren(...rooms.map(
        (result) => element('li', {className: (result.outcome || '').replace(' ', '-')},
                            roomSaid(result.room, result, result.step || 'stop all'))));
  };
  // A time of today as the clock shows it; of another day, with its date.
  const clockOf = (when) => {
    const language = french ? 'fr' : 'en';
    return when.toDateString() === new Date().toDateString()
               ? when.toLocaleTimeString(language)
               : when.toLocaleString(language);
  };
  let buildingScenes = '';
  twice(document.getElementById('stop-building'), texts.stopBuildingAgain,
        () => askRoom('all', 'stop'));
  // What each player of a room was last sent, where its fold is open.
  const showStates = (name) => {
    const card = roomCards.get(name);
    for (const [id, last] of card.playerStates) {
      const state = card.states[id];
      last.textContent = state ? ` ${inWords(state.sent)}${state.level !== null && state.level !== undefined ? `, ${state.level} dB` : ''}` : '';
    }
  };
  const renderVenue = (venue) => {
    document.getElementById('venue-section').hidden = !venue;
    if (!venue)
      return;
    const key = JSON.stringify(venue.rooms.map((room) => [room.name, room.scenes,
        (room.players || []).map((p) => [p.id, p.name])]));
    if (key !== roomsShown) {
      roomsShown = key;
      roomCards.clear();
      document.getElementById('rooms').replaceChildren(...venue.rooms.map((room) => {
        const state = element('p', {className: 'room-state'});
        const next = element('p', {className: 'last'});
        const said = element('p',
                             {className: 'said', role: 'status', ...roomsSaid.get(room.name)});
        const scenes = element('div', {className: 'row'}, ...(room.scenes || []).map((name) => {
          const button = element('button', {type: 'button', textContent: name});
          button.setAttribute('aria-label', `${texts.scene} ${name}, ${room.name}`);
          button.addEventListener('click', () => askRoom(room.name, `scene ${name}`));
          return button;
        }));
        const stop = element('button', {type: 'button', className: 'danger', textContent: texts.stopAll});
        stop.dataset.text = 'stopAll';
        stop.setAttribute('aria-label', `${texts.stopAll}, ${room.name}`);
        twice(stop, texts.stopAllAgain, () => askRoom(room.name, 'all stop'));
        // Its players under a fold, made when it is first opened: fifty rooms of thirty-two
        // players are drawn at once, and a phone shows a room's players when asked.
        const players = element('ul', {className: 'room-players'});
        const playerStates = new Map();
        const fold = element('details', {}, element('summary', {},
            texts.playersOf((room.players || []).length)), players);
        fold.addEventListener('toggle', () => {
          if (fold.open)
            roomsOpen.add(room.name);
          else
            roomsOpen.delete(room.name);
          if (!fold.open || players.children.length)
            return;
          for (const player of room.players || []) {
            const name = player.name || String(player.id);
            const last = element('span', {className: 'last'});
            const row = element('li', {}, element('span', {className: 'who'}, name), last);
            for (const verb of ['play', 'stop']) {
              const button = element('button', {type: 'button', textContent: texts[verb]});
              button.setAttribute('aria-label', `${texts.action(texts[verb], name)}, ${room.name}`);
              button.addEventListener('click', () => askRoom(room.name, `${player.id} ${verb}`));
              row.append(button);
            }
            playerStates.set(String(player.id), last);
            players.append(row);
          }
          showStates(room.name);
        });
        fold.open = roomsOpen.has(room.name);
        roomCards.set(room.name, {state, next, said, playerStates, states: {}});
        return element('article', {className: 'player room'}, element('h3', {}, room.name), state,
                       scenes, fold, next, element('div', {className: 'row'}, stop), said);
      }));
    }
    for (const room of venue.rooms) {
      const card = roomCards.get(room.name);
      if (!card)
        continue;
      card.state.textContent = room.online ? `${texts.online}, ${(texts[room.line] || room.line).toLowerCase()}`
                                           : texts.offline;
      card.state.className = `room-state ${room.online ? room.line : 'gone'}`;
      const cue = room.next && room.next.next;
      card.next.textContent = cue ? texts.nextCue(inWords(cue.cue), inDays(cue.label)) : '';
      card.states = room.states;
      showStates(room.name);
    }
    const last = [venue.buildingStop, venue.lastScene].filter(Boolean)
        .sort((a, b) => a.time < b.time ? 1 : -1)[0];
    showBuilding(last);
    if (JSON.stringify(venue.scenes) !== buildingScenes) {
      buildingScenes = JSON.stringify(venue.scenes);
      document.getElementById('building-scenes').replaceChildren(...venue.scenes.map((name) => {
        const button = element('button', {type: 'button', textContent: name});
        button.setAttribute('aria-label', `${texts.scene} ${name}, ${texts.building}`);
        button.addEventListener('click', () => askRoom('all', `scene ${name}`));
        return button;
      }));
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
