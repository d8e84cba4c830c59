"""Order form for end-to-end tests, a Flask application with Flask-WTF: python3 app.py PORT.

The orders go to the SQLite database at ORDERS_DB; the user operator / s3cret-pass exists from
the start.
"""
import hashlib
import os
import secrets
import sqlite3
import sys
from functools import wraps

from flask import Flask, flash, g, redirect, render_template, request, session, url_for
from flask_wtf import CSRFProtect, FlaskForm
from flask_wtf.file import FileField
from werkzeug.security import check_password_hash, generate_password_hash
from wtforms import (BooleanField, DateField, IntegerField, PasswordField, StringField,
                     SubmitField, TextAreaField)
from wtforms.validators import DataRequired, Length

app = Flask(__name__)
app.config['SECRET_KEY'] = secrets.token_hex(32)
app.config['DATABASE'] = os.environ.get('ORDERS_DB', 'orders.sqlite3')
csrf = CSRFProtect(app)

USERS = {'operator': generate_password_hash('s3cret-pass')}
# The logins the server knows: a cookie whose login is not here is a session that ended.
active_logins = set()


class LoginForm(FlaskForm):
    username = StringField('Username', validators=[DataRequired()])
    password = PasswordField('Password', validators=[DataRequired()])
    submit = SubmitField('Sign In')


class OrderForm(FlaskForm):
    customer_name = StringField('Customer name', validators=[DataRequired(), Length(max=30)])
    quantity = IntegerField('Quantity')
    order_date = DateField('Order date')
    gift_wrap = BooleanField('Gift wrap')
    notes = TextAreaField('Notes')
    submit = SubmitField('Place order')


class UploadForm(FlaskForm):
    customer_name = StringField('Customer name', validators=[DataRequired(), Length(max=30)])
    attachment = FileField('Attachment')
    submit = SubmitField('Upload')


def get_db():
    if 'db' not in g:
        g.db = sqlite3.connect(app.config['DATABASE'])
    return g.db


@app.teardown_appcontext
def close_db(exception):
    db = g.pop('db', None)
    if db is not None:
        db.close()


def init_db():
    with app.app_context(), app.open_resource('../orders_schema.sql') as f:
        get_db().executescript(f.read().decode('utf8'))


def login_required(view):
    @wraps(view)
    def wrapped_view(**kwargs):
        if session.get('login') not in active_logins:
            return redirect(url_for('login', next=request.path))
        return view(**kwargs)
    return wrapped_view


def save_order(form_name, **values):
    db = get_db()
    columns = ['form'] + list(values)
    db.execute(f"INSERT INTO orders ({', '.join(columns)}) VALUES ({', '.join('?' * len(columns))})",
               [form_name] + list(values.values()))
    db.commit()


def save_order_form(form, form_name):
    save_order(form_name, customer_name=form.customer_name.data, quantity=form.quantity.data,
               order_date=form.order_date.data.isoformat(), gift_wrap=int(form.gift_wrap.data),
               notes=form.notes.data or '')


@app.route('/login', methods=['GET', 'POST'])
def login():
    form = LoginForm()
    error = None
    if form.validate_on_submit():
        known = USERS.get(form.username.data)
        if known and check_password_hash(known, form.password.data):
            session.clear()
            session['login'] = secrets.token_hex(16)
            session['user'] = form.username.data
            active_logins.add(session['login'])
            return redirect(request.args.get('next') or url_for('order'))
        error = 'Invalid username or password'
    return render_template('login.html', form=form, error=error)


@app.route('/order', methods=['GET', 'POST'])
@login_required
def order():
    form = OrderForm()
    if form.validate_on_submit():
        save_order_form(form, 'order')
        return redirect(url_for('thanks'))
    return render_template('order.html', form=form, action=url_for('order'))


@app.route('/order-again', methods=['GET', 'POST'])
@login_required
def order_again():
    form = OrderForm()
    if form.validate_on_submit():
        save_order_form(form, 'order_again')
        flash('Order saved')
        return redirect(url_for('order_again'))
    return render_template('order.html', form=form, action=url_for('order_again'))


@app.route('/upload', methods=['GET', 'POST'])
@login_required
def upload():
    form = UploadForm()
    if form.validate_on_submit():
        attachment = {}
        f = form.attachment.data
        if f and f.filename:
            digest, size = hashlib.sha256(), 0
            for chunk in iter(lambda: f.stream.read(65536), b''):
                digest.update(chunk)
                size += len(chunk)
            attachment = dict(attachment_name=f.filename, attachment_sha256=digest.hexdigest(),
                              attachment_size=size)
        save_order('upload', customer_name=form.customer_name.data, **attachment)
        return redirect(url_for('thanks'))
    return render_template('upload.html', form=form)


@app.route('/thanks')
@login_required
def thanks():
    return render_template('thanks.html')


@app.route('/test/expire-sessions')
def expire_sessions():
    """Test only: ends every session on the server, as an expiry or a restart would."""
    active_logins.clear()
    return 'Sessions expired\n', 200, {'Content-Type': 'text/plain'}


if __name__ == '__main__':
    init_db()
    app.run(host='127.0.0.1', port=int(sys.argv[1]))
